#include "records/PrueflingDlg.h"

#include "controls/DBControls.h"
#include "controls/DBGrid.h"
#include "controls/Layout.h"
#include "platform/error_report.h"
#include "platform/message_box.h"
#include "platform/query.h"
#include "platform/window_place.h"
#include "records/NeuKundeDlg.h"
#include "records/NeuPrueflingDlg.h"
#include "tester/IniSettings.h"

#include <QLabel>
#include <QPushButton>

using platform::MessageButtons;
using platform::MessageIcon;
using platform::TQuery;

TPrueflingDlg::TPrueflingDlg(const QString& iniFileName, QWidget* parent)
    : TFormDialog(parent), Query1(new TQuery(this)), iniFileName_(iniFileName) {
    setObjectName(QStringLiteral("PrueflingDlg"));
    setWindowTitle(QStringLiteral("Prüfling auswählen"));
    resize(660, 440);
    platform::placeOnShow(*this, platform::Placement::Kept);

    Query1->SQLAdd(QStringLiteral("select * from \"Prueflng.db\" as P, \"Kunden.db\" as K"));
    Query1->SQLAdd(QStringLiteral("where P.KundenNr = K.KundenNr"));
    Query1->SQLAdd(QStringLiteral("order by PrueflingNr"));
    DataSource1 = new TDataSource(this);
    DataSource1->SetDataSet(Query1);

    setBold(label(this, QStringLiteral("Kunde:"), 8, 7));
    label(this, QStringLiteral("Name:"), 8, 31);
    edit(this, DataSource1, "Name1", 110, 28, 210);
    edit(this, DataSource1, "Name2", 110, 52, 210);
    edit(this, DataSource1, "Name3", 110, 76, 210);
    label(this, QStringLiteral("Straße:"), 8, 103);
    edit(this, DataSource1, "KdStr", 110, 100, 210);
    label(this, QStringLiteral("PLZ, Ort:"), 8, 127);
    edit(this, DataSource1, "KdLKZ", 110, 124, 32);
    label(this, QStringLiteral("-"), 145, 127);
    edit(this, DataSource1, "KdPLZ", 152, 124, 48);
    edit(this, DataSource1, "KdOrt", 204, 124, 116);
    label(this, QStringLiteral("Tel."), 8, 151);
    edit(this, DataSource1, "Telefon", 110, 148, 210);
    label(this, QStringLiteral("Fax"), 8, 175);
    edit(this, DataSource1, "Fax", 110, 172, 210);
    auto* kundenNr = new TDBText(this);
    kundenNr->SetDataSource(DataSource1);
    kundenNr->SetDataField(QStringLiteral("KundenNr"));
    kundenNr->hide();
    BitBtn2 = new QPushButton(QStringLiteral("neuen Kunden anlegen"), this);
    BitBtn2->setGeometry(110, 200, 160, 25);

    setBold(label(this, QStringLiteral("Prüfling:"), 340, 7));
    label(this, QStringLiteral("Bezeichnung:"), 340, 31);
    edit(this, DataSource1, "Bezeichnung", 480, 28, 170);
    label(this, QStringLiteral("Typ:"), 340, 55);
    edit(this, DataSource1, "Typ", 480, 52, 170);
    label(this, QStringLiteral("Fabrikationsnummer:"), 340, 79);
    edit(this, DataSource1, "Fabrikationsnummer", 480, 76, 170);
    label(this, QStringLiteral("Seriennummer:"), 340, 103);
    edit(this, DataSource1, "Seriennummer", 480, 100, 170);
    label(this, QStringLiteral("Inventarnummer:"), 340, 127);
    edit(this, DataSource1, "Inventarnummer", 480, 124, 170);
    label(this, QStringLiteral("Barcode/Prüflingsnummer:"), 340, 151);
    edit(this, DataSource1, "Barcode", 480, 148, 170);
    auto* prueflingNr = new TDBText(this);
    prueflingNr->SetDataSource(DataSource1);
    prueflingNr->SetDataField(QStringLiteral("PrueflingNr"));
    prueflingNr->hide();
    BitBtn3 = new QPushButton(QStringLiteral("neuen Prüfling anlegen"), this);
    BitBtn3->setGeometry(480, 200, 170, 25);
    // The edits only show the chosen row.
    for (TDBEdit* e : findChildren<TDBEdit*>())
        e->SetReadOnly(true);

    DBGrid1 = new TDBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(8, 236, 644, 160);
    DBGrid1->SetDataSource(DataSource1);
    DBGrid1->SetGridReadOnly(true);
    DBGrid1->SetEditing(false);
    DBGrid1->SetRowSelect(true);
    for (const char* field :
         {"Bezeichnung", "Typ", "Inventarnummer", "Fabrikationsnummer", "Seriennummer", "Barcode"})
        DBGrid1->AddColumn(TColumn(QString::fromUtf8(field)));
    static const char* const customer[][2] = {
        {"Name1", "Kundenname 1"}, {"Name2", "Kundenname 2"}, {"Name3", "Kundenname 3"}, {"KdStr", "Straße"},
        {"KdLKZ", "LKZ"},          {"KdPLZ", "PLZ"},          {"KdOrt", "Ort"}};
    for (const auto& c : customer)
        DBGrid1->AddColumn(TColumn(QString::fromUtf8(c[0]), QString::fromUtf8(c[1])));

    BitBtn1 = new QPushButton(QStringLiteral("gespeicherte Daten"), this);
    BitBtn1->setGeometry(8, 406, 130, 25);
    BitBtn1->hide();
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setGeometry(480, 406, 80, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelBtn->setGeometry(570, 406, 80, 25);
    for (QPushButton* b : {BitBtn1, BitBtn2, BitBtn3, CancelBtn})
        b->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });

    LoadPosition();
    PrueflingNr = 0;
    Barcode.clear();
}

TPrueflingDlg::~TPrueflingDlg() {
    SavePosition();
}

void TPrueflingDlg::LoadPosition() {
    // Without a stored position the window stands where it was designed.
    move(244, 165);
    WindowPosition p{x(), y(), width(), height()};
    ::LoadPosition(iniFileName_, PositionSections::Pruefling, p);
    move(p.Left, p.Top);
    setFixedSize(width(), p.Height);
}

void TPrueflingDlg::SavePosition() {
    if (iniFileName_.isEmpty())
        return;
    ::SavePosition(iniFileName_, PositionSections::Pruefling, WindowPosition{x(), y(), width(), height()});
}

void TPrueflingDlg::FormShow() {
    platform::guarded([this] {
        Query1->Open();
        if (PrueflingNr == 0 || !Query1->Locate(QStringLiteral("PrueflingNr"), PrueflingNr))
            Query1->Last();
    });
}

void TPrueflingDlg::FormHide() {
    const bool row = Query1->Active() && Query1->RecordCount() > 0;
    PrueflingNr = row ? Query1->FieldByName(QStringLiteral("PrueflingNr")).AsInteger() : 0;
    Barcode = row ? Query1->FieldByName(QStringLiteral("Barcode")).AsString() : QString();
    Query1->Close();
}

void TPrueflingDlg::Reopen() {
    platform::guarded([this] {
        Query1->Close();
        Query1->Open();
        Query1->Last();
    });
}

void TPrueflingDlg::BitBtn1Click() {
    if (datenanzeigeDlg_)
        datenanzeigeDlg_->exec();
}

void TPrueflingDlg::BitBtn2Click() {
    if (!neuKundeDlg_)
        return;
    neuKundeDlg_->DBEdit1->setFocus();
    if (neuKundeDlg_->exec() == QDialog::Accepted)
        Reopen();
}

void TPrueflingDlg::BitBtn3Click() {
    if (!neuPrueflingDlg_)
        return;
    // The new device takes the customer of the current row; without one it would belong to
    // nobody and appear in no list.
    if (!Query1->Active() || Query1->RecordCount() == 0) {
        platform::messageBox(
            QStringLiteral("Es ist kein Kunde ausgewählt. Bitte zuerst einen neuen Kunden anlegen."),
            MessageButtons::Ok, MessageIcon::Exclamation);
        return;
    }
    if (neuPrueflingDlg_->exec() == QDialog::Accepted)
        Reopen();
}
