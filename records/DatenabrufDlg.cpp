#include "records/DatenabrufDlg.h"

#include "controls/DBControls.h"
#include "controls/DBGrid.h"
#include "controls/ParentPlacement.h"
#include "platform/database.h"
#include "platform/error_report.h"
#include "platform/log_sink.h"
#include "platform/message_box.h"
#include "platform/query.h"
#include "platform/window_place.h"
#include "records/PrueflingDlg.h"
#include "records/StagingDisplay.h"
#include "records/StagingTable.h"
#include "tester/Globals.h"
#include "tester/IniSettings.h"

#include <QCloseEvent>
#include <QDate>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

using platform::Database;
using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageResult;
using platform::TControlsHeld;
using platform::TDataSetState;
using platform::TField;
using platform::TQuery;

namespace {

bool editing(const TQuery& q) {
    return q.State() == TDataSetState::dsEdit || q.State() == TDataSetState::dsInsert;
}

QPushButton* button(QWidget* parent, const QString& caption, int left, int top,
                    QStyle::StandardPixmap picture) {
    auto* b = new QPushButton(caption, parent);
    b->setGeometry(left, top, 97, 25);
    b->setAutoDefault(false);
    if (picture != QStyle::SP_CustomBase)
        b->setIcon(b->style()->standardIcon(picture));
    return b;
}

} // namespace

TDatenabrufDlg::TDatenabrufDlg(ITesterLink& link, const QString& iniFileName, QWidget* parent)
    : TFormDialog(parent), Query1(new TQuery(this)), Query3(new TQuery(this)), link_(link),
      iniFileName_(iniFileName), sink_(std::make_unique<TStagingQuerySink>(*Query1)),
      retrieval_(link, *sink_, *this) {
    setObjectName(QStringLiteral("DatenabrufDlg"));
    setWindowTitle(QStringLiteral("Datenabruf und -übernahme"));
    resize(648, 477);
    platform::placeOnShow(*this, platform::Placement::Kept);

    DefineStagingQuery(*Query1);
    DefineTestQuery(*Query3);
    Query1->OnCalcFields = [this](TQuery& q) { Query1CalcFields(q); };
    Query1->AfterInsert = [this](TQuery& q) { Query1AfterInsert(q); };
    Query1->AfterOpen = [this](TQuery& q) { Query1AfterOpen(q); };
    Query1->AfterScroll = [this](TQuery& q) { Query1AfterScroll(q); };
    Query1->AfterDelete = [this](TQuery& q) { Query1AfterDelete(q); };
    Query1->FieldByName(QStringLiteral("Barcode")).OnValidate = [this](TField& f) {
        Query1BarcodeValidate(f);
    };
    BuildGrid();

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, height() - 72, width(), 72);
    BitBtn1 = button(Panel1, QStringLiteral("Zeile löschen"), 8, 8, QStyle::SP_CustomBase);
    BitBtn2 = button(Panel1, QStringLiteral("alles löschen"), 112, 8, QStyle::SP_CustomBase);
    ProgressBar1 = new QProgressBar(Panel1);
    ProgressBar1->setGeometry(216, 8, 97, 16);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    Label1 = new QLabel(QStringLiteral("Notiz:"), Panel1);
    Label1->move(392, 8);
    DBMemo1 = new TDBMemo(Panel1);
    DBMemo1->setGeometry(424, 8, 209, 57);
    DBMemo1->SetDataSource(DataSource1);
    DBMemo1->SetDataField(QStringLiteral("Notiz"));
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(DBMemo1)})
        (new ParentPlacement(w))->SetAnchors(akTop | akRight);
    BitBtn3 = button(Panel1, QStringLiteral("Daten holen"), 8, 40, QStyle::SP_ArrowDown);
    BitBtn4 = button(Panel1, QStringLiteral("übernehmen"), 112, 40, QStyle::SP_DialogApplyButton);
    BitBtn5 = button(Panel1, QStringLiteral("Prüfling"), 216, 40, QStyle::SP_FileDialogContentsView);
    BitBtn6 = button(Panel1, QStringLiteral("OK"), 320, 40, QStyle::SP_DialogOkButton);
    BitBtn6->setDefault(true);
    BitBtn6->setAutoDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
    connect(BitBtn5, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
    connect(BitBtn6, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });

    // Running while the list may not catch up again yet.
    listRefresh_ = new QTimer(this);
    listRefresh_->setSingleShot(true);
    listRefresh_->setInterval(ListRefreshMs);

    LoadPosition();
}

TDatenabrufDlg::~TDatenabrufDlg() {
    SavePosition();
}

void TDatenabrufDlg::LoadPosition() {
    // Without a stored position the window stands where it was designed.
    move(192, 107);
    WindowPosition p{x(), y(), width(), height()};
    ::LoadPosition(iniFileName_, PositionSections::Datenabruf, p);
    move(p.Left, p.Top);
    resize(p.Width, p.Height);
}

void TDatenabrufDlg::SavePosition() {
    if (iniFileName_.isEmpty())
        return;
    ::SavePosition(iniFileName_, PositionSections::Datenabruf, WindowPosition{x(), y(), width(), height()});
}

void TDatenabrufDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int panelHeight = 72;
    if (DBGrid1)
        DBGrid1->setGeometry(0, 0, width(), std::max(0, height() - panelHeight));
    if (Panel1)
        Panel1->setGeometry(0, height() - panelHeight, width(), panelHeight);
}

// Grid columns: field, title, width (0 = the grid's own), read-only, centred title and text, and
// the texts the column shows by design.
void TDatenabrufDlg::BuildGrid() {
    DataSource1 = new TDataSource(this);
    DataSource1->SetDataSet(Query1);
    DBGrid1 = new TDBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->SetDataSource(DataSource1);
    struct Col {
        const char* field;
        const char* title; // nullptr: the field name
        int width;
        bool readOnly;
        bool centreTitle;
        bool centreText;
        QStringList fixed;
    };
    const QStringList jaNein{BoolToJaNein(true), BoolToJaNein(false)};
    const QStringList klasse{SchutzklasseText(1), SchutzklasseText(2), SchutzklasseText(3),
                             SchutzklasseText(0)};
    const QStringList isol{StagingCalcFields(0x40, 0).mitIsol, StagingCalcFields(0x04, 0).mitIsol,
                           StagingCalcFields(0, 0).mitIsol};
    const QStringList sicht{SichtpruefText(0), SichtpruefText(1), SichtpruefText(-1)};
    const QStringList ergebnis{PruefungsergebnisText(true), PruefungsergebnisText(false)};
    const QStringList notMeasured{StagingValueText(StagingValueColumns[0], -1, 0, 0)};
    const Col cols[] = {
        {"LfdNr", "lfd. Nr.", 36, true, true, false, {}},
        {"Barcode", "Barcode/Prüfl.-Nr.", 0, false, false, false, {}},
        {"PrueflingNr", "Prüfling", 48, true, true, true, {PrueflingNrText(1), PrueflingNrText(0)}},
        // Every digit is as wide as any other.
        {"Datum", nullptr, 60, false, true, false, {QStringLiteral("28.12.2088")}},
        {"GT-Seriennummer", nullptr, 0, true, false, false, {}},
        {"Schutzklasse", "Schutzkl.", 52, true, true, false, klasse},
        {"automatisch", nullptr, 0, true, true, false, jaNein},
        {"DINVDE", "DIN/VDE", 52, true, true, false, {DINVDEText(1), DINVDEText(2)}},
        {"manuGrenz", "Grenzw. manuell", 0, true, true, false, jaNein},
        {"mitIsol", "mit Isol.", 40, true, true, false, isol},
        {"mitBeruehr", "mit Beruehr.Str.", 0, true, true, false, jaNein},
        {"Sichtpruef", "Sichtpr.best.", 60, true, true, true, sicht},
        {"abgebrochen", nullptr, 0, true, true, false, jaNein},
        {"Pruefungsergebnis", "Ergebnis", 46, true, true, false, ergebnis},
        {"Schutzleiterwid", "Schutzleiterwid.", 0, true, true, false, notMeasured},
        {"Isolationswid", "Isolationswid.", 76, true, true, false, notMeasured},
        {"Ableitstrom", nullptr, 0, true, true, false, notMeasured},
        {"SchutzlStromL1N", "Schutzl.-Strom L1-N", 0, true, true, false, notMeasured},
        {"SchutzlStromNL1", "Schutzl.-Strom N-L1", 0, true, true, false, notMeasured},
        {"BeruehrungsstromL1N", "Berührungsstrom L1-N", 0, true, true, false, notMeasured},
        {"BeruehrungsstromNL1", "Berührungsstrom N-L1", 0, true, true, false, notMeasured},
        {"Pruefer", "Prüfer", 0, false, false, false, {}},
    };
    for (const Col& c : cols) {
        const TAlignment title = c.centreTitle ? TAlignment::taCenter : TAlignment::taLeftJustify;
        const TAlignment cell = c.centreText ? TAlignment::taCenter : TAlignment::taLeftJustify;
        TColumn column(QString::fromUtf8(c.field), c.title ? QString::fromUtf8(c.title) : QString(), title,
                       cell, c.width > 0 ? c.width : -1, true, c.readOnly);
        column.FixedTexts = c.fixed;
        DBGrid1->AddColumn(column);
    }
    DBGrid1->SetEditing(true);

    auto text = [this](const char* field, std::function<QString(TField&)> fn) {
        Query1->FieldByName(QLatin1String(field)).OnGetText = std::move(fn);
    };
    text("PrueflingNr", [](TField& f) { return PrueflingNrText(f.AsInteger()); });
    text("Schutzklasse", [](TField& f) { return SchutzklasseText(f.AsInteger()); });
    text("DINVDE", [](TField& f) { return DINVDEText(f.AsInteger()); });
    for (const char* field : {"automatisch", "manuGrenz", "mitBeruehr", "abgebrochen"})
        text(field, [](TField& f) { return BoolToJaNein(f.AsBoolean()); });
    text("Pruefungsergebnis", [](TField& f) { return PruefungsergebnisText(f.AsBoolean()); });
    text("Sichtpruef", [](TField& f) { return SichtpruefText(f.AsInteger()); });
    for (const TStagingValueColumn& c : StagingValueColumns) {
        const TStagingValueColumn* column = &c;
        text(c.Field, [this, column](TField& f) {
            const int32_t flags = f.DataSet().FieldByName(QStringLiteral("Grenzwertflags")).AsInteger();
            return StagingValueText(*column, f.AsInteger(), flags, link_.FirmwareLevel());
        });
    }
}

void TDatenabrufDlg::FormShow() {
    platform::guarded([this] { Query1->Open(); });
    UpdateButtons();
}

void TDatenabrufDlg::FormHide() {
    PostPending();
    Query1->Close();
}

// A note typed into the memo, or a cell being edited, is kept. One the file refuses is
// reported once and dropped: the list shows what the file holds, and asking again would only
// repeat the refusal.
bool TDatenabrufDlg::PostPending() {
    if (!Query1->Active())
        return true;
    const bool posted = platform::guarded([this] {
        if (editing(*Query1))
            Query1->Post();
    });
    if (posted)
        return true;
    try {
        Query1->Cancel();
    } catch (const std::exception& e) {
        platform::logFailure("Datenabruf: Bearbeitung nicht verworfen", e);
    }
    return false;
}

void TDatenabrufDlg::done(int result) {
    if (Retrieving())
        return;
    PostPending();
    QDialog::done(result);
}

void TDatenabrufDlg::closeEvent(QCloseEvent* event) {
    if (Retrieving()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TDatenabrufDlg::UpdateButtons() {
    const std::optional<int> rows =
        Query1->Active() ? std::optional<int>(Query1->RecordCount()) : std::nullopt;
    const TStagingButtons b = StagingButtons(link_.Connected(), rows, Retrieving());
    BitBtn3->setEnabled(b.DatenHolen);
    BitBtn1->setEnabled(b.ZeileLoeschen);
    BitBtn2->setEnabled(b.AllesLoeschen);
    BitBtn4->setEnabled(b.Uebernehmen);
    BitBtn5->setEnabled(b.Pruefling);
    DBGrid1->SetGridReadOnly(Retrieving());
    DBMemo1->SetReadOnly(Retrieving());
}

int32_t TDatenabrufDlg::FindPrueflingNr(const QString& barcode) {
    return ::FindPrueflingNr(Database::Current(), barcode);
}

void TDatenabrufDlg::Query1CalcFields(TQuery& q) {
    const TStagingCalcFields c = StagingCalcFields(q.FieldByName(QStringLiteral("Menueflags")).AsInteger(),
                                                   q.FieldByName(QStringLiteral("Messablauf")).AsInteger());
    q.FieldByName(QStringLiteral("automatisch")).SetAsBoolean(c.automatisch);
    q.FieldByName(QStringLiteral("DINVDE")).SetAsInteger(c.DINVDE);
    q.FieldByName(QStringLiteral("manuGrenz")).SetAsBoolean(c.manuGrenz);
    q.FieldByName(QStringLiteral("mitIsol")).SetAsString(c.mitIsol);
    q.FieldByName(QStringLiteral("mitBeruehr")).SetAsBoolean(c.mitBeruehr);
    q.FieldByName(QStringLiteral("abgebrochen")).SetAsBoolean(c.abgebrochen);
}

// Rows come only from a fetch, which alone switches the cache on.
void TDatenabrufDlg::Query1AfterInsert(TQuery& q) {
    if (!q.CachedUpdates())
        q.Cancel();
}

// Each row passes the re-match once, without the grid following every move.
void TDatenabrufDlg::Query1AfterOpen(TQuery& q) {
    try {
        WalkStagingRows(q);
    } catch (const std::exception& e) {
        platform::logFailure("Datenabruf: Zuordnung beim Öffnen abgebrochen", e);
    }
}

void TDatenabrufDlg::Query1AfterScroll(TQuery& q) {
    platform::guarded([&] { RematchStagingRow(q); });
}

void TDatenabrufDlg::Query1AfterDelete(TQuery&) {
    UpdateButtons();
}

// A lookup error refuses the new barcode: the field keeps its old text.
void TDatenabrufDlg::Query1BarcodeValidate(TField& sender) {
    const int32_t nr = FindPrueflingNr(sender.AsString());
    sender.DataSet().FieldByName(QStringLiteral("PrueflingNr")).SetAsInteger(nr);
}

void TDatenabrufDlg::BitBtn1Click() {
    if (Retrieving() || !Query1->Active() || Query1->RecordCount() == 0)
        return;
    if (platform::messageBox(QStringLiteral("Die markierte Zeile löschen?"), MessageButtons::YesNo,
                             MessageIcon::Warning) != MessageResult::Yes)
        return;
    platform::guarded([this] { Query1->Delete(); });
}

void TDatenabrufDlg::BitBtn2Click() {
    if (Retrieving() || !Query1->Active())
        return;
    if (platform::messageBox(
            QStringLiteral(
                "Sollen wirklich alle angezeigten Datensätze gelöscht und die Liste geleert werden?"),
            MessageButtons::YesNo, MessageIcon::Stop) != MessageResult::Yes)
        return;
    platform::guarded([this] {
        Query1->First();
        while (Query1->RecordCount() > 0)
            Query1->Delete();
    });
}

void TDatenabrufDlg::BitBtn3Click() {
    // Without the open list the fetched rows would have nowhere to go.
    if (Retrieving() || !Query1->Active())
        return;
    if (!PostPending())
        return;
    TRecordStamp stamp;
    stamp.Datum = QDate::currentDate();
    stamp.GTSeriennummer = link_.TesterSerialNumber();
    stamp.Pruefer = Globals::Operator;
    // The list catches up with the fetched rows now and then (SetProgressPosition) instead of
    // after every change: the run waits for the tester most of the time, and redrawing the
    // list is what it costs.
    {
        TControlsHeld held(*Query1);
        listRefresh_->stop();
        retrieval_.Run(stamp);
    }
    UpdateButtons();
}

void TDatenabrufDlg::SetProgressMax(int Max) {
    ProgressBar1->setMaximum(std::max(Max, 1));
    UpdateButtons();
}

void TDatenabrufDlg::SetProgressPosition(int Position) {
    ProgressBar1->setValue(Position);
    // At a new record, at most once in ListRefreshMs. Deferred into the wait for the request
    // about to be sent, so that the list is redrawn while the answer is on the wire.
    if (!Retrieving() || listRefresh_->isActive())
        return;
    listRefresh_->start();
    QTimer::singleShot(0, this, [this] {
        if (!Retrieving() || !Query1->ControlsDisabled())
            return;
        Query1->EnableControls();
        Query1->DisableControls();
    });
}

void TDatenabrufDlg::ShowMessage(const QString& Text) {
    // The list behind the message shows the rows as they stand now.
    if (Query1->ControlsDisabled()) {
        Query1->EnableControls();
        Query1->DisableControls();
    }
    platform::messageBox(Text, MessageButtons::Ok, MessageIcon::None);
}

void TDatenabrufDlg::BitBtn4Click() {
    if (Retrieving() || !Query1->Active())
        return;
    if (platform::messageBox(
            QStringLiteral("Sollen die zugeordneten Sätze zu den gespeicherten Daten übernommen werden?"),
            MessageButtons::YesNo, MessageIcon::Question) != MessageResult::Yes)
        return;
    if (!PostPending())
        return;
    if (!platform::guarded([this] { Query3->Open(); }))
        return;
    QString failure;
    {
        TControlsHeld held(*Query1);
        try {
            TakeOverAssignedRows(Database::Current(), *Query1, *Query3);
        } catch (const std::exception& e) {
            failure = TakeOverFailedText(platform::errorText(e));
        }
        Query3->Close();
        try {
            Query1->First();
        } catch (const std::exception& e) {
            platform::logFailure("Übernahme: nicht zur ersten Zeile zurückgekehrt", e);
        }
    }
    UpdateButtons();
    // Told once the list shows again what the file holds.
    if (!failure.isEmpty())
        platform::reportError(failure);
}

void TDatenabrufDlg::BitBtn5Click() {
    if (Retrieving() || !prueflingDlg_ || !Query1->Active() || Query1->RecordCount() == 0)
        return;
    if (!PostPending())
        return;
    prueflingDlg_->PrueflingNr = Query1->FieldByName(QStringLiteral("PrueflingNr")).AsInteger();
    if (prueflingDlg_->exec() != QDialog::Accepted)
        return;
    // OK on an empty list chose nothing: the tester's barcode stays.
    if (prueflingDlg_->PrueflingNr == 0)
        return;
    platform::guarded(
        [this] { AssignStagingRow(*Query1, prueflingDlg_->PrueflingNr, prueflingDlg_->Barcode); });
}
