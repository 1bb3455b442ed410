#include "records/DatenanzeigeDlg.h"

#include "platform/error_report.h"
#include "platform/file_dialog.h"
#include "platform/log_sink.h"
#include "platform/message_box.h"
#include "platform/window_place.h"
#include "records/AuswListeDlg.h"
#include "records/CsvExport.h"
#include "records/CsvExportFile.h"
#include "records/CsvLine.h"
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
    platform::placeOnShow(*this, platform::Placement::Kept);

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
            field.OnGetText = shown([this, format = c->Format](TField& f) {
                return FieldValueText(format, f.AsInteger(), firmwareLevel());
            });
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

int32_t TDatenanzeigeDlg::firmwareLevel() const {
    return TesterWriters ? TesterWriters->Link().FirmwareLevel() : 0;
}

void TDatenanzeigeDlg::postIfEditing(TQuery& q) {
    if (editing(q))
        q.Post();
}

// An edit the file refuses is reported once and dropped: the fields show what the file holds,
// and no later exit or closing asks the file again only to be refused again.
bool TDatenanzeigeDlg::postOrDrop(TQuery& q) {
    if (platform::guarded([&] { postIfEditing(q); }))
        return true;
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
                                             test ? currentInt(*Query3, "Schutzklasse") : 0, firmwareLevel());
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
        FillWerteSatz(*Query1, *Query2, w, *Query3, firmwareLevel());
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
        const QString text = file.CreateErrorText();
        platform::logShownFailure(text.toStdString());
        plainMessage(text);
        return;
    }
    // Whatever ends the export early leaves an earlier file of the name as it was.
    bool written = false;
    try {
        written = body(file) && file.Commit();
    } catch (const std::exception& e) {
        file.Discard();
        platform::reportError(e);
        return;
    }
    if (!written) {
        const QString error = file.WriteErrorText();
        file.Discard();
        platform::reportError(error);
    }
}

void TDatenanzeigeDlg::BitBtn3Click() {
    exportTo([this](TCsvExportFile& file) {
        if (!file.WriteLine(CsvHeaderLine()))
            return false;
        const int32_t level = firmwareLevel();
        TWerteSatz w;
        FillWerteSatz(*Query1, *Query2, w, *Query3, level);
        return file.WriteLine(CsvValueLine(w, level));
    });
}

void TDatenanzeigeDlg::BitBtn5Click() {
    exportTo([this](TCsvExportFile& file) {
        return WriteAllTests(platform::Database::Current(), file, firmwareLevel());
    });
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
        ApplyStoredTestMode(*writers, mode);
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
