#include "records/DatenanzeigeDlg.h"

#include "controls/Layout.h"
#include "platform/error_report.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "records/AuswListeDlg.h"
#include "records/CsvExport.h"
#include "records/ProgramDatabase.h"
#include "tester/ModeTable.h"
#include "tester/TesterSettings.h"

using platform::EDatabaseError;
using platform::TDataSetState;
using platform::TField;
using platform::TFieldType;
using platform::TQuery;

namespace {

void plainMessage(const QString& text) {
    platform::messageBox(text, platform::MessageButtons::Ok, platform::MessageIcon::None);
}

bool editing(const TQuery& q) {
    return q.State() == TDataSetState::dsEdit || q.State() == TDataSetState::dsInsert;
}

int32_t currentInt(TQuery& q, const char* name) {
    if (!q.Active() || q.RecordCount() == 0)
        return 0;
    return q.FieldByName(QString::fromLatin1(name)).AsInteger();
}

} // namespace

QString GetExportFileName() {
    if (Globals::ExportFile == 1)
        return Globals::ExportFileName;
    platform::SaveFileRequest request;
    request.Title = QStringLiteral("Exportdatei");
    request.Filter = QStringLiteral("CSV-Dateien (*.csv)|*.csv|alle Dateien (*.*)|*.*");
    request.DefaultExtension = QStringLiteral("csv");
    request.Options = platform::fdHideReadOnly | platform::fdPathMustExist | platform::fdEnableSizing;
    const platform::SaveFileResult result = platform::saveFileDialog(request);
    return result.Accepted ? result.FileName : QString();
}

TDatenanzeigeDlg::TDatenanzeigeDlg(const QString& iniFileName, QWidget* owner)
    : TFormDialog(owner), iniFileName_(iniFileName) {
    setObjectName(QStringLiteral("DatenanzeigeDlg"));
    setWindowTitle(QStringLiteral("Gespeicherte Daten"));
    setFixedSize(856, 566);

    Query1 = new TQuery(this);
    Query1->setObjectName(QStringLiteral("Query1"));
    Query1->SetSQL(StoredDataSql::Customers());
    Query1->SetRequestLive(true);
    Query2 = new TQuery(this);
    Query2->setObjectName(QStringLiteral("Query2"));
    Query2->SetSQL(StoredDataSql::DevicesOfCustomer());
    Query2->SetRequestLive(true);
    Query3 = new TQuery(this);
    Query3->setObjectName(QStringLiteral("Query3"));
    Query3->SetSQL(StoredDataSql::TestsOfDevice());
    Query3->SetRequestLive(true);
    Query3->SetAutoCalcFields(false);
    DataSource1 = new TDataSource(this);
    DataSource1->SetDataSet(Query1);
    DataSource2 = new TDataSource(this);
    DataSource2->SetDataSet(Query2);
    DataSource3 = new TDataSource(this);
    DataSource3->SetDataSet(Query3);

    TField& kundenNr = Query1->AddField(QStringLiteral("KundenNr"), TFieldType::ftAutoInc);
    kundenNr.SetReadOnly(true);
    kundenNr.OnGetText = [](TField& f) { return QStringLiteral("#") + QString::number(f.AsInteger()); };
    TField& prueflingNr = Query2->AddField(QStringLiteral("PrueflingNr"), TFieldType::ftAutoInc);
    prueflingNr.SetReadOnly(true);
    prueflingNr.OnGetText = [](TField& f) { return QStringLiteral("#") + QString::number(f.AsInteger()); };
    declareTestFields();

    Query1->AfterOpen = [this](TQuery& q) { Query1AfterOpen(q); };
    Query1->AfterInsert = [this](TQuery& q) {
        Query1AfterOpen(q);
        Query1AfterScroll(q); // a new customer has no devices yet
    };
    Query1->AfterDelete = [this](TQuery& q) { Query1AfterOpen(q); };
    Query1->AfterScroll = [this](TQuery& q) { Query1AfterScroll(q); };
    Query1->BeforeDelete = [this](TQuery& q) { Query1BeforeDelete(q); };
    Query2->AfterOpen = [this](TQuery& q) { Query2AfterOpen(q); };
    Query2->AfterInsert = [this](TQuery& q) {
        Query2AfterOpen(q);
        Query2AfterScroll(q); // a new device has no tests yet
    };
    Query2->AfterDelete = [this](TQuery& q) { Query2AfterOpen(q); };
    Query2->AfterScroll = [this](TQuery& q) { Query2AfterScroll(q); };
    Query2->BeforeDelete = [this](TQuery& q) { Query2BeforeDelete(q); };
    Query2->BeforePost = [this](TQuery& q) { Query2BeforePost(q); };
    Query3->AfterOpen = [this](TQuery& q) { Query3AfterOpen(q); };
    Query3->AfterInsert = [this](TQuery& q) { Query3AfterOpen(q); };
    Query3->AfterDelete = [this](TQuery& q) { Query3AfterOpen(q); };
    Query3->AfterScroll = [this](TQuery& q) { Query3AfterScroll(q); };
    Query3->OnCalcFields = [this](TQuery& q) { Query3CalcFields(q); };

    buildControls();
    FormCreate();
}

TDatenanzeigeDlg::~TDatenanzeigeDlg() {
    FormDestroy();
}

void TDatenanzeigeDlg::declareTestFields() {
    using T = TFieldType;
    // Every display text is empty while the device has no tests.
    const auto shown = [this](std::function<QString(TField&)> text) {
        return [this, text](TField& f) { return haveTest() ? text(f) : QString(); };
    };
    for (const TWerteSatzField* c : PruefungColumns) {
        TField& field = Query3->AddField(QLatin1String(c->Name), FieldTypeOf(c->Store), c->Width);
        switch (c->Format) {
        case TFieldFormat::Sichtpruef:
        case TFieldFormat::Schutzleiterwid:
        case TFieldFormat::Isolationswid:
        case TFieldFormat::Ableitstrom:
        case TFieldFormat::Strom:
            field.OnGetText =
                shown([format = c->Format](TField& f) { return FieldValueText(format, f.AsInteger()); });
            break;
        default:
            break;
        }
    }
    Query3->FieldByName(QStringLiteral("Schutzklasse")).OnGetText =
        shown([](TField& f) { return ::SchutzklasseText(f.AsInteger()); });
    Query3->FieldByName(QStringLiteral("Pruefungsergebnis")).OnGetText =
        shown([](TField& f) { return ::ErgebnisText(f.AsBoolean()); });
    Query3->AddCalcField(QStringLiteral("VDE0701"), T::ftBoolean);
}

void TDatenanzeigeDlg::buildControls() {
    const auto text = [this](TDataSource* source, const char* field, int x, int y, int w) {
        auto* t = new TDBText(this);
        t->SetDataSource(source);
        t->SetDataField(QString::fromLatin1(field));
        t->setGeometry(x, y, w, 17);
        return t;
    };
    const auto led = [this](const char* field, int32_t mask, int x, int y, QColor color = QColor(255, 0, 0)) {
        auto* l = new TLEDPaint(this);
        l->SetDataSource(DataSource3);
        l->SetDataField(QString::fromLatin1(field));
        l->SetMaske(mask);
        l->SetLEDColor(color);
        l->setGeometry(x, y, 14, 14);
        return l;
    };

    // Customers.
    label(this, QStringLiteral("Kunde:"), 8, 8, AutoSize, 17);
    KundenAnzahl = label(this, QString(), 60, 8, 60, 17);
    KundenAnzahl->setObjectName(QStringLiteral("KundenAnzahl"));
    DBText1 = text(DataSource1, "KundenNr", 130, 8, 60);
    DBText1->setVisible(false);
    label(this, QStringLiteral("Name:"), 8, 32, AutoSize, 17);
    KundenEdits[0] = edit(this, DataSource1, "Name1", 110, 30, 200, "DBEdit1");
    KundenEdits[1] = edit(this, DataSource1, "Name2", 110, 54, 200, "DBEdit2");
    KundenEdits[2] = edit(this, DataSource1, "Name3", 110, 78, 200, "DBEdit3");
    label(this, QStringLiteral("Straße:"), 8, 104, AutoSize, 17);
    KundenEdits[3] = edit(this, DataSource1, "KdStr", 110, 102, 200, "DBEdit4");
    label(this, QStringLiteral("PLZ, Ort:"), 8, 128, AutoSize, 17);
    KundenEdits[4] = edit(this, DataSource1, "KdLKZ", 110, 126, 34, "DBEdit5");
    label(this, QStringLiteral("-"), 147, 128, 6, 17);
    KundenEdits[5] = edit(this, DataSource1, "KdPLZ", 156, 126, 48, "DBEdit6");
    KundenEdits[6] = edit(this, DataSource1, "KdOrt", 208, 126, 102, "DBEdit7");
    label(this, QStringLiteral("Tel."), 8, 152, AutoSize, 17);
    KundenEdits[7] = edit(this, DataSource1, "Telefon", 110, 150, 200, "DBEdit8");
    label(this, QStringLiteral("Fax"), 8, 176, AutoSize, 17);
    KundenEdits[8] = edit(this, DataSource1, "Fax", 110, 174, 200, "DBEdit9");
    DBNavigator1 = new TDBNavigator(this);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->SetDataSource(DataSource1);
    DBNavigator1->setGeometry(110, 200, 200, 25);

    // Devices.
    label(this, QStringLiteral("Prüfling:"), 8, 240, AutoSize, 17);
    PrueflingAnzahl = label(this, QString(), 60, 240, 60, 17);
    PrueflingAnzahl->setObjectName(QStringLiteral("PrueflingAnzahl"));
    DBText2 = text(DataSource2, "PrueflingNr", 130, 240, 60);
    DBText2->setVisible(false);
    const char* deviceLabels[] = {"Bezeichnung:",        "Typ:",
                                  "Fabrikationsnummer:", "Seriennummer:",
                                  "Inventarnummer:",     "Barcode/Prüflingsnummer:"};
    const char* deviceFields[] = {"Bezeichnung",    "Typ",    "Fabrikationsnummer", "Seriennummer",
                                  "Inventarnummer", "Barcode"};
    for (int i = 0; i < 6; ++i) {
        label(this, QString::fromUtf8(deviceLabels[i]), 8, 266 + 24 * i, AutoSize, 17);
        const QByteArray name = "DBEdit" + QByteArray::number(10 + i);
        PrueflingEdits[size_t(i)] =
            edit(this, DataSource2, deviceFields[i], 160, 264 + 24 * i, 150, name.constData());
    }
    DBEdit15 = PrueflingEdits[5];
    DBNavigator2 = new TDBNavigator(this);
    DBNavigator2->setObjectName(QStringLiteral("DBNavigator2"));
    DBNavigator2->SetDataSource(DataSource2);
    DBNavigator2->setGeometry(110, 412, 200, 25);

    for (TDBEdit* e : KundenEdits)
        e->OnExit = [this](TDBEdit& sender) { DBEdit1Exit(sender); };
    for (TDBEdit* e : PrueflingEdits)
        if (e != DBEdit15)
            e->OnExit = [this](TDBEdit& sender) { DBEdit1Exit(sender); };
    DBEdit15->OnExit = [this](TDBEdit& sender) { DBEdit15Exit(sender); };

    // Tests.
    const int tx = 330;
    label(this, QStringLiteral("Durchgeführte Prüfung"), tx, 8, AutoSize, 17);
    PruefungAnzahl = label(this, QString(), tx + 150, 8, 60, 17);
    PruefungAnzahl->setObjectName(QStringLiteral("PruefungAnzahl"));
    label(this, QStringLiteral("mit Gerätetester Serien-Nr."), tx, 30, AutoSize, 17);
    GTSeriennummerText = text(DataSource3, "GT-Seriennummer", tx + 180, 30, 100);
    label(this, QStringLiteral("Datum:"), tx, 50, AutoSize, 17);
    DatumText = text(DataSource3, "Datum", tx + 60, 50, 100);
    label(this, QStringLiteral("Schutzklasse"), tx + 180, 50, AutoSize, 17);
    SchutzklasseText = text(DataSource3, "Schutzklasse", tx + 270, 50, 40);
    VDE0701LED = led("VDE0701", 0, tx, 74, QColor(0, 255, 0));
    label(this, QStringLiteral("DIN/VDE 0701"), tx + 20, 72, AutoSize, 17);
    VDE0702LED = led("Menueflags", Menueflags::DINVDE, tx + 120, 74, QColor(0, 255, 0));
    label(this, QStringLiteral("0702"), tx + 140, 72, AutoSize, 17);
    const std::array<std::pair<int32_t, const char*>, 4> checks = {
        {{Menueflags::automatisch, "Messablauf automatisch"},
         {Menueflags::mitIsol, "mit Isolationsprüfung"},
         {Menueflags::manuGrenz, "Grenzwerte manuell"},
         {Menueflags::mitBeruehr, "mit Berührungsstrom"}}};
    for (size_t i = 0; i < checks.size(); ++i) {
        auto* c = new TCheckDisp(this);
        c->setText(QString::fromUtf8(checks[i].second));
        c->SetDataSource(DataSource3);
        c->SetDataField(QStringLiteral("Menueflags"));
        c->SetMaske(checks[i].first);
        c->setGeometry(tx + int(i % 2) * 170, 94 + int(i / 2) * 20, 170, 18);
        ModeChecks[i] = c;
    }
    AbgebrochenLED = led("Messablauf", Messablauf::abgebrochen, tx, 140);
    label(this, QStringLiteral("Messablauf abgebrochen"), tx + 20, 138, AutoSize, 17);
    GrenzwertLED = led("Messablauf", Messablauf::Grenzwertverletzung, tx + 170, 140);
    label(this, QStringLiteral("Grenzwertüberschreitung"), tx + 190, 138, AutoSize, 17);
    label(this, QStringLiteral("Sichtprüfung best.:"), tx, 160, AutoSize, 17);
    SichtpruefText = text(DataSource3, "Sichtpruef", tx + 130, 160, 40);

    struct RowSpec {
        const char* caption;
        const char* value;
        const char* unit;
        const char* prefix;
        const char* limit;
        const char* limitUnit;
        const char* ledField;
        int32_t ledMask;
    };
    const std::array<RowSpec, 8> rows = {{
        {"Schutzleiterwiderstand:", "Schutzleiterwid", "mOhm", "(max.", "GrwSchutzleiterwid", "mOhm)",
         "Grenzwertflags", 1},
        {"Isolationswiderstand:", "Isolationswid", "MOhm", "(min.", "GrwIsolationswid", "MOhm)",
         "Grenzwertflags", 2},
        {"Ersatzableitstrom:", "Ableitstrom", "mA", "(max.", "GrwAbleitstrom", "mA)", "Grenzwertflags", 4},
        {"Schutzleiterstrom:", "SchutzlStromL1N", "mA", "(max.", "GrwSchutzleiterstrom", "mA)",
         "Grenzwertflags", 8},
        {"umgepolt:", "SchutzlStromNL1", "mA", nullptr, nullptr, nullptr, "Grenzwertflags", 16},
        {"Berührungsstrom:", "BeruehrungsstromL1N", "mA", "(max.", "GrwBeruehrungsstrom", "mA)",
         "Grenzwertflags", 32},
        {"umgepolt:", "BeruehrungsstromNL1", "mA", nullptr, nullptr, nullptr, "Grenzwertflags", 64},
        {"Grenzwert für Netztrennung:", nullptr, nullptr, nullptr, "GrwSchnellabschaltung", "mA",
         "Messablauf", 8},
    }};
    for (size_t i = 0; i < rows.size(); ++i) {
        const RowSpec& r = rows[i];
        const int y = 184 + int(i) * 22;
        TResultRow& row = ResultRows[i];
        row.LED = led(r.ledField, r.ledMask, tx, y + 2);
        row.Caption = label(this, QString::fromUtf8(r.caption), tx + 20, y, 170, 17);
        if (r.value) {
            row.Value = text(DataSource3, r.value, tx + 190, y, 50);
            row.Value->setAlignment(Qt::AlignRight);
            row.Unit = label(this, QString::fromLatin1(r.unit), tx + 244, y, 36, 17);
        }
        if (r.prefix)
            row.Prefix = label(this, QString::fromLatin1(r.prefix), tx + 284, y, 40, 17);
        if (r.limit) {
            const int lx = r.value ? tx + 324 : tx + 190;
            row.Limit = text(DataSource3, r.limit, lx, y, 50);
            row.Limit->setAlignment(Qt::AlignRight);
            row.LimitUnit = label(this, QString::fromLatin1(r.limitUnit), lx + 54, y, 40, 17);
        }
    }

    label(this, QStringLiteral("Notiz:"), tx, 364, AutoSize, 17);
    DBMemo1 = new TDBMemo(this);
    DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
    DBMemo1->SetDataSource(DataSource3);
    DBMemo1->SetDataField(QStringLiteral("Notiz"));
    DBMemo1->setGeometry(tx, 382, 400, 60);
    DBMemo1->OnExit = [this](TDBMemo& sender) { DBMemo1Exit(sender); };
    label(this, QStringLiteral("Prüfer:"), tx, 452, AutoSize, 17);
    DBEdit16 = edit(this, DataSource3, "Pruefer", tx + 60, 450, 200, "DBEdit16");
    DBEdit16->OnExit = [this](TDBEdit& sender) { DBEdit1Exit(sender); };
    label(this, QStringLiteral("Gerät in Ordnung:"), tx, 480, AutoSize, 17);
    ErgebnisText = text(DataSource3, "Pruefungsergebnis", tx + 130, 478, 60);
    QFont bold = ErgebnisText->font();
    bold.setBold(true);
    ErgebnisText->setFont(bold);
    ErgebnisText->setAutoFillBackground(true);
    QPalette yellow = ErgebnisText->palette();
    yellow.setColor(QPalette::Window, QColor(255, 255, 0));
    ErgebnisText->setPalette(yellow);
    ErgebnisText->setFixedHeight(21);
    DBNavigator3 = new TDBNavigator(this);
    DBNavigator3->setObjectName(QStringLiteral("DBNavigator3"));
    DBNavigator3->SetDataSource(DataSource3);
    DBNavigator3->SetVisibleButtons({TNavigateBtn::nbFirst, TNavigateBtn::nbPrior, TNavigateBtn::nbNext,
                                     TNavigateBtn::nbLast, TNavigateBtn::nbDelete});
    DBNavigator3->setGeometry(tx, 510, 170, 25);

    // Buttons, top to bottom.
    const auto button = [this](const QString& caption, const char* name, int y) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(751, y, 97, 25);
        return b;
    };
    BitBtn6 = button(QStringLiteral("Kunden"), "BitBtn6", 8);
    BitBtn7 = button(QStringLiteral("Prüflinge"), "BitBtn7", 40);
    BitBtn4 = button(QStringLiteral("Messmod."), "BitBtn4", 90);
    BitBtn4->setEnabled(false);
    BitBtn5 = button(QStringLiteral("Export"), "BitBtn5", 140);
    BitBtn3 = button(QStringLiteral("Einzelexp."), "BitBtn3", 172);
    BitBtn2 = button(QStringLiteral("Druck"), "BitBtn2", 222);
    BitBtn2->setEnabled(false);
    BitBtn1 = button(QStringLiteral("OK"), "BitBtn1", 533);
    BitBtn1->setDefault(true);
    connect(BitBtn6, &QPushButton::clicked, this, [this] { BitBtn6Click(); });
    connect(BitBtn7, &QPushButton::clicked, this, [this] { BitBtn7Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
    connect(BitBtn5, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    showResultRows();
}

// ---- life cycle

void TDatenanzeigeDlg::FormCreate() {
    LoadPosition();
}

void TDatenanzeigeDlg::FormDestroy() {
    SavePosition();
}

void TDatenanzeigeDlg::LoadPosition() {
    // Without a stored position the window stands where it was designed.
    move(194, 113);
    WindowPosition p{pos().x(), pos().y(), 0, 0};
    ::LoadPosition(iniFileName_, PositionSections::Datenanzeige, p);
    move(p.Left, p.Top);
}

void TDatenanzeigeDlg::SavePosition() {
    const WindowPosition p{pos().x(), pos().y(), 0, 0};
    ::SavePosition(iniFileName_, PositionSections::Datenanzeige, p);
}

void TDatenanzeigeDlg::FormShow() {
    try {
        Query1->Open();
        Query2->Open();
        Query3->Open();
    } catch (const EDatabaseError&) {
        plainMessage(QStringLiteral("Query3 (Pruefung.db): Datenfehler beim Öffnen des Recordsets:\r"
                                    "Feld \"Sichtpruef\" ist ungültig oder fehlerhaft"));
        Query3->Close();
        Query2->Close();
        Query1->Close();
        showResultRows();
        return;
    }
    platform::guarded([this] {
        int32_t prueflingNr = 0;
        int32_t kundenNr = 0;
        GetPrueflingKunde(Globals::aktCheckNumber, prueflingNr, kundenNr);
        if (Globals::aktCheckNumber != 0 && prueflingNr != 0 && kundenNr != 0 &&
            Query1->Locate(QStringLiteral("KundenNr"), kundenNr) &&
            Query2->Locate(QStringLiteral("PrueflingNr"), prueflingNr))
            Query3->Locate(QStringLiteral("PruefungsNr"), Globals::aktCheckNumber);
    });
}

void TDatenanzeigeDlg::FormHide() {
    for (TQuery* q : {Query1, Query2, Query3})
        if (q->Active() && !postOrDrop(*q))
            break;
    if (Query3->Active())
        Globals::aktCheckNumber = currentInt(*Query3, "PruefungsNr");
    // Closed from the bottom up, so that no list opens again below a closed one.
    Query3->Close();
    Query2->Close();
    Query1->Close();
}

// ---- lists

bool TDatenanzeigeDlg::haveTest() const {
    return Query3->Active() && Query3->RecordCount() > 0;
}

void TDatenanzeigeDlg::postIfEditing(TQuery& q) {
    if (editing(q))
        q.Post();
}

// An edit the file refuses is reported once and dropped: the fields show what the file holds,
// and no later exit or closing asks the file again only to be refused again.
bool TDatenanzeigeDlg::postOrDrop(TQuery& q) {
    try {
        postIfEditing(q);
        return true;
    } catch (const std::exception& e) {
        platform::reportError(e);
    }
    platform::guarded([this] { dropEdits(); });
    return false;
}

void TDatenanzeigeDlg::dropEdits() {
    const bool customerInserted = Query1->State() == TDataSetState::dsInsert;
    const bool deviceInserted = Query2->State() == TDataSetState::dsInsert;
    for (TQuery* q : {Query3, Query2, Query1})
        if (editing(*q))
            q->Cancel();
    // A dropped new row leaves its list: the lists below follow the row now current.
    if (customerInserted)
        Query1AfterScroll(*Query1);
    else if (deviceInserted)
        Query2AfterScroll(*Query2);
}

void TDatenanzeigeDlg::linkDevices() {
    Query2->Close();
    Query2->ParamByName(QStringLiteral("KundenNr")).SetAsInteger(currentInt(*Query1, "KundenNr"));
    Query2->Open();
}

void TDatenanzeigeDlg::linkTests() {
    Query3->Close();
    Query3->ParamByName(QStringLiteral("PrueflingNr")).SetAsInteger(currentInt(*Query2, "PrueflingNr"));
    Query3->Open();
    Query3->Last();
}

void TDatenanzeigeDlg::Query1AfterOpen(TQuery& q) {
    KundenAnzahl->setText(QStringLiteral("[%1]").arg(q.RecordCount()));
}

void TDatenanzeigeDlg::Query1AfterScroll(TQuery& q) {
    Query1AfterOpen(q);
    linkDevices();
}

void TDatenanzeigeDlg::Query2AfterOpen(TQuery& q) {
    PrueflingAnzahl->setText(QStringLiteral("[%1]").arg(q.RecordCount()));
}

void TDatenanzeigeDlg::Query2AfterScroll(TQuery& q) {
    Query2AfterOpen(q);
    linkTests();
}

void TDatenanzeigeDlg::Query3AfterOpen(TQuery& q) {
    PruefungAnzahl->setText(QStringLiteral("[%1]").arg(q.RecordCount()));
    BitBtn2->setEnabled(q.RecordCount() > 0);
}

void TDatenanzeigeDlg::Query3AfterScroll(TQuery& q) {
    Query3AfterOpen(q);
    showResultRows();
}

void TDatenanzeigeDlg::Query3CalcFields(TQuery& q) {
    q.FieldByName(QStringLiteral("VDE0701"))
        .SetAsBoolean((q.FieldByName(QStringLiteral("Menueflags")).AsInteger() & Menueflags::DINVDE) == 0);
}

void TDatenanzeigeDlg::showResultRows() {
    const bool test = haveTest();
    const int32_t enables = ShownTestEnables(test, test ? currentInt(*Query3, "Menueflags") : 0,
                                             test ? currentInt(*Query3, "Schutzklasse") : 0);
    for (size_t i = 0; i < ResultRows.size(); ++i) {
        const bool on = i < 7 ? (enables & (1 << i)) != 0 : DisconnectRowEnabled(enables);
        TResultRow& row = ResultRows[i];
        row.Caption->setEnabled(on);
        for (QWidget* w : {static_cast<QWidget*>(row.Value), static_cast<QWidget*>(row.Limit)})
            if (w)
                w->setVisible(on);
        for (QWidget* w : {static_cast<QWidget*>(row.Unit), static_cast<QWidget*>(row.Prefix),
                           static_cast<QWidget*>(row.LimitUnit), static_cast<QWidget*>(row.LED)})
            if (w)
                w->setEnabled(on);
    }
}

// A cascade that fails is rolled back in the file, and the lists it walked read their rows
// again.
void TDatenanzeigeDlg::Query1BeforeDelete(TQuery&) {
    if (Query2->RecordCount() > 0)
        Query2->First();
    while (Query2->Active() && Query2->RecordCount() > 0)
        Query2->Delete();
}

void TDatenanzeigeDlg::Query2BeforeDelete(TQuery&) {
    if (Query3->RecordCount() > 0)
        Query3->First();
    while (Query3->Active() && Query3->RecordCount() > 0)
        Query3->Delete();
}

void TDatenanzeigeDlg::Query2BeforePost(TQuery& q) {
    // A customer being inserted gets its number first, or the device would belong to nobody.
    if (editing(*Query1))
        Query1->Post();
    q.FieldByName(QStringLiteral("KundenNr")).SetAsInteger(currentInt(*Query1, "KundenNr"));
}

// ---- fields

void TDatenanzeigeDlg::DBEdit1Exit(TDBEdit& sender) {
    if (TField* f = sender.Field())
        postOrDrop(f->DataSet());
}

void TDatenanzeigeDlg::DBMemo1Exit(TDBMemo&) {
    if (Query3->Active())
        postOrDrop(*Query3);
}

// A discarded new device leaves the list: its count and tests follow the row now current.
void TDatenanzeigeDlg::cancelDeviceEdit() {
    const bool inserting = Query2->State() == TDataSetState::dsInsert;
    if (editing(*Query2))
        Query2->Cancel();
    if (inserting)
        Query2AfterScroll(*Query2);
}

void TDatenanzeigeDlg::DBEdit15Exit(TDBEdit&) {
    if (!Query2->Active() || !editing(*Query2))
        return;
    try {
        const QString barcode = Query2->FieldByName(QStringLiteral("Barcode")).AsString();
        const int32_t own = Query2->FieldByName(QStringLiteral("PrueflingNr")).AsInteger();
        if (BarcodeHeldByOtherDevice(barcode, own)) {
            cancelDeviceEdit();
            plainMessage(DuplicateBarcodeMessage());
            return;
        }
        Query2->Post();
    } catch (const std::exception& e) {
        platform::guarded([this] { cancelDeviceEdit(); });
        platform::reportError(e);
    }
}

// ---- buttons

void TDatenanzeigeDlg::BitBtn2Click() {
    platform::guarded([this] {
        TWerteSatz w;
        FillWerteSatz(*Query1, *Query2, w, *Query3);
        if (PrintProtocol)
            PrintProtocol(w, Globals::Preview);
    });
}

void TDatenanzeigeDlg::exportTo(const std::function<bool(TCsvExportFile&)>& body) {
    const QString fileName = GetExportFileName();
    if (fileName.isEmpty())
        return;
    TCsvExportFile file;
    if (!file.Create(fileName)) {
        plainMessage(CannotCreateMessage(fileName));
        return;
    }
    bool written = false;
    try {
        written = body(file) && file.Flush();
    } catch (const std::exception& e) {
        file.Close();
        platform::reportError(e);
        return;
    }
    if (!written) {
        const QString error = file.WriteErrorText();
        file.Close();
        platform::messageBox(error, platform::MessageButtons::Ok, platform::MessageIcon::Stop);
        return;
    }
    file.Close();
}

void TDatenanzeigeDlg::BitBtn3Click() {
    exportTo([this](TCsvExportFile& file) {
        if (!file.WriteLine(CsvHeaderLine()))
            return false;
        TWerteSatz w;
        FillWerteSatz(*Query1, *Query2, w, *Query3);
        return file.WriteLine(CsvValueLine(w));
    });
}

void TDatenanzeigeDlg::BitBtn5Click() {
    exportTo([](TCsvExportFile& file) { return WriteAllTests(platform::Database::Current(), file); });
}

void TDatenanzeigeDlg::BitBtn4Click() {
    TTesterSettings* writers = TesterWriters;
    if (!writers)
        return;
    platform::guarded([&] {
        TStoredTestMode mode;
        mode.Schutzklasse = currentInt(*Query3, "Schutzklasse");
        mode.Menueflags = currentInt(*Query3, "Menueflags");
        mode.GrwSchutzleiterwid = currentInt(*Query3, "GrwSchutzleiterwid");
        mode.GrwIsolationswid = currentInt(*Query3, "GrwIsolationswid");
        mode.GrwAbleitstrom = currentInt(*Query3, "GrwAbleitstrom");
        ApplyStoredTestMode(*writers, mode, Globals::FirmwareLevel);
    });
}

void TDatenanzeigeDlg::BitBtn6Click() {
    TAuswListeDlg* list = PickList ? PickList : AuswListeDlg;
    if (list && Query1->Active())
        list->ShowPickList(QStringLiteral("Kundenauswahl"), DataSource1, KundenColumns());
}

void TDatenanzeigeDlg::BitBtn7Click() {
    TAuswListeDlg* list = PickList ? PickList : AuswListeDlg;
    if (list && Query2->Active())
        list->ShowPickList(QStringLiteral("Prüflingsauswahl"), DataSource2, PrueflingColumns());
}
