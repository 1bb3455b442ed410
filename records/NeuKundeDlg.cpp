#include "records/NeuKundeDlg.h"

#include "controls/DBControls.h"
#include "controls/Layout.h"
#include "platform/error_report.h"
#include "platform/query.h"
#include "platform/window_place.h"
#include "records/NeuPrueflingDlg.h"

#include <QPushButton>

using platform::TDataSetState;
using platform::TQuery;

namespace {

bool editing(const TQuery& q) {
    return q.State() == TDataSetState::dsEdit || q.State() == TDataSetState::dsInsert;
}

} // namespace

TNeuKundeDlg::TNeuKundeDlg(QWidget* parent) : TFormDialog(parent), Query1(new TQuery(this)) {
    setObjectName(QStringLiteral("NeuKundeDlg"));
    setWindowTitle(QStringLiteral("neuen Kunden anlegen"));
    Query1->SQLAdd(QStringLiteral("select * from \"Kunden.db\""));
    Query1->SetRequestLive(true);
    DataSource1 = new TDataSource(this);
    DataSource1->SetDataSet(Query1);

    label(this, QStringLiteral("Name:"), 8, 11);
    DBEdit1 = edit(this, DataSource1, "Name1", 80, 8, 240);
    edit(this, DataSource1, "Name2", 80, 32, 240);
    edit(this, DataSource1, "Name3", 80, 56, 240);
    label(this, QStringLiteral("Straße:"), 8, 83);
    edit(this, DataSource1, "KdStr", 80, 80, 240);
    label(this, QStringLiteral("PLZ, Ort:"), 8, 107);
    edit(this, DataSource1, "KdLKZ", 80, 104, 32);
    label(this, QStringLiteral("-"), 115, 107);
    edit(this, DataSource1, "KdPLZ", 122, 104, 50);
    edit(this, DataSource1, "KdOrt", 176, 104, 144);
    label(this, QStringLiteral("Tel."), 8, 131);
    edit(this, DataSource1, "Telefon", 80, 128, 240);
    label(this, QStringLiteral("Fax"), 8, 155);
    edit(this, DataSource1, "Fax", 80, 152, 240);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setGeometry(150, 188, 80, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelBtn->setGeometry(240, 188, 80, 25);
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(330, 222);
    platform::placeOnShow(*this, platform::Placement::CentredOnce);
}

void TNeuKundeDlg::FormShow() {
    platform::guarded([this] {
        Query1->Open();
        Query1->Append();
    });
}

void TNeuKundeDlg::FormHide() {
    if (editing(*Query1))
        Query1->Cancel();
    Query1->Close();
}

// A customer exists only together with a first device: without one it is removed again.
void TNeuKundeDlg::OKBtnClick() {
    // Without the appended row (the table could not be opened) there is nothing to store,
    // and the current row would be another customer's.
    if (!editing(*Query1))
        return;
    // A refused entry stays so that the user can correct it or cancel.
    if (!platform::guarded([this] { Query1->Post(); }))
        return;
    const bool device = neuPrueflingDlg_ && neuPrueflingDlg_->exec() == QDialog::Accepted;
    if (!device)
        platform::guarded([this] { Query1->Delete(); });
    accept();
}
