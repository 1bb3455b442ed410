#include "records/NeuPrueflingDlg.h"

#include "controls/DBControls.h"
#include "controls/Layout.h"
#include "platform/database.h"
#include "platform/error_report.h"
#include "platform/message_box.h"
#include "platform/query.h"
#include "platform/window_place.h"
#include "records/DatenabrufDlg.h"
#include "records/NeuKundeDlg.h"
#include "records/PrueflingDlg.h"
#include "records/StagingTable.h"
#include "records/StoredData.h"

#include <QPushButton>

using platform::Database;
using platform::MessageButtons;
using platform::MessageIcon;
using platform::TDataSetState;
using platform::TQuery;

namespace {

bool editing(const TQuery& q) {
    return q.State() == TDataSetState::dsEdit || q.State() == TDataSetState::dsInsert;
}

int32_t currentKundenNr(TQuery* q) {
    if (!q || !q->Active() || q->RecordCount() == 0)
        return 0;
    return q->FieldByName(QStringLiteral("KundenNr")).AsInteger();
}

} // namespace

TNeuPrueflingDlg::TNeuPrueflingDlg(QWidget* parent) : TFormDialog(parent), Query1(new TQuery(this)) {
    setObjectName(QStringLiteral("NeuPrueflingDlg"));
    setWindowTitle(QStringLiteral("neuen Prüfling anlegen"));
    Query1->SQLAdd(QStringLiteral("select * from \"Prueflng.db\""));
    Query1->SetRequestLive(true);
    DataSource1 = new TDataSource(this);
    DataSource1->SetDataSet(Query1);

    label(this, QStringLiteral("Bezeichnung:"), 8, 11);
    DBEdit1 = edit(this, DataSource1, "Bezeichnung", 160, 8, 180);
    label(this, QStringLiteral("Typ:"), 8, 35);
    edit(this, DataSource1, "Typ", 160, 32, 180);
    label(this, QStringLiteral("Fabrikationsnummer:"), 8, 59);
    edit(this, DataSource1, "Fabrikationsnummer", 160, 56, 180);
    label(this, QStringLiteral("Seriennummer:"), 8, 83);
    edit(this, DataSource1, "Seriennummer", 160, 80, 180);
    label(this, QStringLiteral("Inventarnummer:"), 8, 107);
    edit(this, DataSource1, "Inventarnummer", 160, 104, 180);
    label(this, QStringLiteral("Barcode/Prüflingsnummer:"), 8, 131);
    DBEditBarcode = edit(this, DataSource1, "Barcode", 160, 128, 180);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setGeometry(170, 164, 80, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelBtn->setGeometry(260, 164, 80, 25);
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(350, 198);
    platform::placeOnShow(*this, platform::Placement::CentredOnce);
}

void TNeuPrueflingDlg::FormShow() {
    DBEdit1->setFocus();
    platform::guarded([this] {
        Query1->Open();
        Query1->Append();
        if (datenabrufDlg_ && datenabrufDlg_->isVisible() && datenabrufDlg_->Query1->Active() &&
            datenabrufDlg_->Query1->RecordCount() > 0)
            Query1->FieldByName(QStringLiteral("Barcode"))
                .SetAsString(datenabrufDlg_->Query1->FieldByName(QStringLiteral("Barcode")).AsString());
        const int32_t kunde = neuKundeDlg_ && neuKundeDlg_->isVisible()
                                  ? currentKundenNr(neuKundeDlg_->Query1)
                                  : currentKundenNr(prueflingDlg_ ? prueflingDlg_->Query1 : nullptr);
        Query1->FieldByName(QStringLiteral("KundenNr")).SetAsInteger(kunde);
    });
}

void TNeuPrueflingDlg::FormHide() {
    if (editing(*Query1))
        Query1->Cancel();
    Query1->Close();
}

// A refused entry stays so that the user can correct it or cancel.
void TNeuPrueflingDlg::OKBtnClick() {
    platform::guarded([this] {
        // Without the appended row (the table could not be opened) nothing would be stored.
        if (!editing(*Query1))
            return;
        if (Query1->FieldByName(QStringLiteral("KundenNr")).AsInteger() == 0) {
            platform::messageBox(QStringLiteral("Ein Prüfling kann nur für einen Kunden angelegt werden."),
                                 MessageButtons::Ok, MessageIcon::Exclamation);
            return;
        }
        const QString barcode = DBEditBarcode->text();
        if (PrueflingBarcodeTaken(Database::Current(), barcode)) {
            platform::messageBox(DuplicateBarcodeMessage(), MessageButtons::Ok, MessageIcon::None);
            return;
        }
        Query1->Post();
        accept();
    });
}
