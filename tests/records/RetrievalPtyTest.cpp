// The retrieval over the real port and bus against the tester double, into a database file.
#include "controls/DBGrid.h"
#include "platform/database.h"
#include "platform/message_box.h"
#include "platform/query.h"
#include "records/DatenabrufDlg.h"
#include "records/ProgramDatabase.h"
#include "records/StagingTable.h"
#include "serial/Cate32.h"
#include "serial/SyncBus.h"
#include "tester/Globals.h"
#include "tester/TesterSettings.h"
#include "tests/support/port_main_window.h"
#include "tests/support/stored_records_double.h"

#include <sqlite3.h>

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>

using platform::Database;
using platform::TQuery;

namespace {

class RecordingView : public IRetrievalView {
public:
    void SetProgressMax(int Max) override { max = Max; }
    void SetProgressPosition(int Position) override {
        position = Position;
        positions.push_back(Position);
    }
    void ShowMessage(const QString& Text) override { messages.push_back(Text); }
    void UpdateButtons() override { ++updates; }
    int max = -1, position = -1, updates = 0;
    std::vector<int> positions;
    std::vector<QString> messages;
};

TStoredTestValues values(int i) {
    TStoredTestValues v;
    v.Barcode = std::to_string(1000 + i);
    v.Grenzwertflags = static_cast<uint8_t>(i & 0x7F);
    v.Menueflags = 0x14; // insulation with touch current: touch current is cleared on storing
    v.Klasse = 0x01;
    v.Messablauf = 0x40;
    v.Schutzleiterwid = static_cast<int16_t>(100 + i);
    v.Isolationswid = -1;
    v.Ableitstrom = 25;
    v.SchutzlStromL1N = 30;
    v.SchutzlStromNL1 = 31;
    v.BeruehrungsstromL1N = 4;
    v.BeruehrungsstromNL1 = 5;
    v.GrwSchutzleiterwid = 300;
    v.GrwIsolationswid = 1000;
    v.GrwAbleitstrom = 350;
    v.GrwSchutzleiterstrom = 50;
    v.GrwBeruehrungsstrom = 25;
    v.GrwSchnellabschaltung = 1000;
    return v;
}

std::vector<uint8_t> recordBytes(const TStoredTestValues& v) {
    const StoredTestRecord r = EncodeStoredRecord(v);
    std::vector<uint8_t> bytes;
    for (const auto& part : r.Part)
        bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

// Rows in the file, read through a connection of its own (also from the double's thread).
int64_t fileRows(const std::string& path) {
    sqlite3* db = nullptr;
    int64_t n = -1;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "select count(*) from \"Uebernah.db\"", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return n;
}

class RetrievalPty : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        dbPath = dir.filePath(QStringLiteral("Pruefdaten.sqlite"));
        db = std::make_unique<Database>(dbPath, ProgramDatabaseSchema());
        Database::SetCurrent(db.get());
        ASSERT_TRUE(tester.start());
        main.device = tester.slavePath();
        main.cate.SetReadInterval(10);
        main.cate.Loaded();
        main.cate.SetPort(TPort::Com1);
        ASSERT_EQ(main.cate.Port(), TPort::Com1);
        main.bus.SetCate(&main.cate);
        main.bus.SetTickTime(10);
        main.bus.SetMsgTimeOut(50);
        Globals::MessageAnswerRAM = 100;
        Globals::MessageAnswerReadEEPROM = 100;
        Globals::MessageAnswerWriteEEPROM = 100;
        Globals::TesterSerialNumber = QStringLiteral("0987654321");
        staging = std::make_unique<TQuery>(nullptr, db.get());
        DefineStagingQuery(*staging);
        staging->Open();
    }
    void TearDown() override {
        staging.reset();
        main.cate.SetPort(TPort::NoPort);
        Database::SetCurrent(nullptr);
        db.reset();
    }

    void load(int n) {
        std::vector<std::vector<uint8_t>> records;
        for (int i = 1; i <= n; ++i)
            records.push_back(recordBytes(values(i)));
        memory.setRecords(records);
    }

    TRetrievalOutcome run() {
        TStagingQuerySink sink(*staging);
        TRecordRetrieval retrieval(main.link, sink, view);
        TRecordStamp stamp{QDate(2024, 5, 6), main.link.TesterSerialNumber(), QStringLiteral("Meier")};
        retrieval.Run(stamp);
        return retrieval.LastOutcome();
    }

    QTemporaryDir dir;
    QString dbPath;
    std::unique_ptr<Database> db;
    TesterDouble tester;
    StoredRecordsDouble memory{tester};
    PortMainWindow main;
    std::unique_ptr<TQuery> staging;
    RecordingView view;
};

TEST_F(RetrievalPty, AFullRunStoresEveryRecordAndClearsTheTesterAfterTheCommit) {
    load(4);
    db->Execute(QStringLiteral("insert into \"Prueflng.db\" (KundenNr, Barcode) values (1, '1003')"));
    std::atomic<int64_t> rowsWhenCleared{-2};
    const std::string path = dbPath.toStdString();
    memory.setOnClear([&] { rowsWhenCleared = fileRows(path); });

    EXPECT_EQ(run(), TRetrievalOutcome::roDone);
    EXPECT_EQ(rowsWhenCleared.load(), 4);
    EXPECT_EQ(memory.recordCount(), 0u);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.max, 4);
    EXPECT_EQ(view.positions, (std::vector<int>{1, 2, 3, 4, 0}));

    TQuery q(nullptr, db.get());
    DefineStagingQuery(q);
    q.Open();
    ASSERT_EQ(q.RecordCount(), 4);
    for (int i = 1; i <= 4; ++i, q.Next()) {
        SCOPED_TRACE(i);
        EXPECT_EQ(q.FieldByName(QStringLiteral("LfdNr")).AsInteger(), i);
        EXPECT_EQ(q.FieldByName(QStringLiteral("Barcode")).AsString(), QString::number(1000 + i));
        EXPECT_EQ(q.FieldByName(QStringLiteral("PrueflingNr")).AsInteger(), i == 3 ? 1 : 0);
        EXPECT_EQ(q.FieldByName(QStringLiteral("Datum")).AsDate(), QDate(2024, 5, 6));
        EXPECT_EQ(q.FieldByName(QStringLiteral("GT-Seriennummer")).AsString(), "0987654321");
        EXPECT_EQ(q.FieldByName(QStringLiteral("Grenzwertflags")).AsInteger(), i);
        EXPECT_EQ(q.FieldByName(QStringLiteral("Menueflags")).AsInteger(), 0x04);
        EXPECT_EQ(q.FieldByName(QStringLiteral("Schutzklasse")).AsInteger(), 1);
        EXPECT_EQ(q.FieldByName(QStringLiteral("Messablauf")).AsInteger(), 0x40);
        EXPECT_EQ(q.FieldByName(QStringLiteral("Sichtpruef")).AsInteger(), 1);
        EXPECT_EQ(q.FieldByName(QStringLiteral("Schutzleiterwid")).AsInteger(), 100 + i);
        EXPECT_EQ(q.FieldByName(QStringLiteral("Isolationswid")).AsInteger(), -1);
        EXPECT_EQ(q.FieldByName(QStringLiteral("SchutzlStromNL1")).AsInteger(), 31);
        EXPECT_EQ(q.FieldByName(QStringLiteral("BeruehrungsstromNL1")).AsInteger(), 5);
        EXPECT_EQ(q.FieldByName(QStringLiteral("GrwSchnellabschaltung")).AsInteger(), 1000);
        EXPECT_TRUE(q.FieldByName(QStringLiteral("Pruefungsergebnis")).AsBoolean());
        EXPECT_EQ(q.FieldByName(QStringLiteral("Notiz")).AsString(), "");
        EXPECT_EQ(q.FieldByName(QStringLiteral("Pruefer")).AsString(), "Meier");
    }
}

TEST_F(RetrievalPty, ACountOfZeroSendsNothingMore) {
    load(0);
    EXPECT_EQ(run(), TRetrievalOutcome::roNoRecords);
    const auto frames = tester.receivedFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0][3], 0x33);
    EXPECT_EQ(view.max, -1);
    EXPECT_EQ(view.position, -1);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(RetrievalPty, SilenceInRecordFiveOfTenKeepsNothingAndTheTesterKeepsAll) {
    load(10);
    memory.setFaults({5, 3, 0, false});
    EXPECT_EQ(run(), TRetrievalOutcome::roBroken);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0], "Die Verbindung zum Gerätetester ist unterbrochen.");
    EXPECT_EQ(view.position, 0);
    EXPECT_EQ(staging->RecordCount(), 0);
    EXPECT_EQ(fileRows(dbPath.toStdString()), 0);
    EXPECT_EQ(memory.recordCount(), 10u);
    EXPECT_EQ(memory.clearRequests(), 0);
    EXPECT_EQ(memory.stepRequests(), 4);
}

TEST_F(RetrievalPty, ALostStepBeforeTheLastRecordEndsTheRunWithoutClearing) {
    load(3);
    memory.setFaults({0, 1, 2, false});
    EXPECT_EQ(run(), TRetrievalOutcome::roBroken);
    EXPECT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(fileRows(dbPath.toStdString()), 0);
    EXPECT_EQ(memory.clearRequests(), 0);
    EXPECT_EQ(memory.recordCount(), 3u);
}

TEST_F(RetrievalPty, ALostAnswerToAStepEndsTheRunAndTheNextRunReadsEveryRecord) {
    load(3);
    StoredRecordsDouble::Faults faults;
    faults.droppedStepAfter = 1;
    memory.setFaults(faults);
    EXPECT_EQ(run(), TRetrievalOutcome::roBroken);
    EXPECT_EQ(memory.stepRequests(), 1) << "\"S\" is not sent twice";
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0], "Die Verbindung zum Gerätetester ist unterbrochen.");
    EXPECT_EQ(fileRows(dbPath.toStdString()), 0);
    EXPECT_EQ(memory.clearRequests(), 0);
    EXPECT_EQ(memory.recordCount(), 3u);

    EXPECT_EQ(run(), TRetrievalOutcome::roDone);
    TQuery q(nullptr, db.get());
    DefineStagingQuery(q);
    q.Open();
    ASSERT_EQ(q.RecordCount(), 3);
    for (int i = 1; i <= 3; ++i, q.Next())
        EXPECT_EQ(q.FieldByName(QStringLiteral("Barcode")).AsString(), QString::number(1000 + i));
    EXPECT_EQ(memory.recordCount(), 0u);
}

TEST_F(RetrievalPty, ALostStepAfterTheLastRecordIsHarmless) {
    load(3);
    memory.setFaults({0, 1, 3, false});
    EXPECT_EQ(run(), TRetrievalOutcome::roDone);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(fileRows(dbPath.toStdString()), 3);
    EXPECT_EQ(memory.recordCount(), 0u);
}

TEST_F(RetrievalPty, AFailedClearKeepsAllRowsAndSaysSo) {
    load(3);
    memory.setFaults({0, 1, 0, true});
    EXPECT_EQ(run(), TRetrievalOutcome::roNotCleared);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(
        view.messages[0],
        "Die Verbindung zum Gerätetester ist unterbrochen, die empfangenen Daten wurden nicht gelöscht.");
    EXPECT_EQ(fileRows(dbPath.toStdString()), 3);
    EXPECT_EQ(staging->RecordCount(), 3);
    EXPECT_EQ(memory.recordCount(), 3u);
}

TEST_F(RetrievalPty, AFailedCommitSendsNoClear) {
    load(2);
    db->Execute(QStringLiteral("create trigger refuse before insert on \"Uebernah.db\" begin "
                               "select raise(abort, 'voll'); end"));
    EXPECT_EQ(run(), TRetrievalOutcome::roStoreFailed);
    EXPECT_EQ(memory.clearRequests(), 0);
    EXPECT_EQ(memory.recordCount(), 2u);
    EXPECT_EQ(staging->RecordCount(), 0);
}

// "Daten holen" of the dialog itself, over the same port.
class RetrievalDialog : public RetrievalPty {
protected:
    void SetUp() override {
        RetrievalPty::SetUp();
        staging.reset();
        platform::setMessageBoxHandler(
            [this](const QString& text, platform::MessageButtons, platform::MessageIcon) {
                shown.push_back(text);
                return platform::MessageResult::Ok;
            });
        Globals::Operator = QStringLiteral("Schmidt");
        dlg = std::make_unique<TDatenabrufDlg>(main.link, QString());
        dlg->setModal(true);
        dlg->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        dlg.reset();
        platform::setMessageBoxHandler({});
        RetrievalPty::TearDown();
    }
    std::unique_ptr<TDatenabrufDlg> dlg;
    std::vector<QString> shown;
};

TEST_F(RetrievalDialog, FetchFillsTheListMatchesBarcodesAndLocksTheDialogMeanwhile) {
    load(5);
    db->Execute(QStringLiteral("insert into \"Prueflng.db\" (KundenNr, Barcode) values (1, '1002')"));
    ASSERT_TRUE(dlg->BitBtn3->isEnabled());
    bool closedDuringRun = true, anyButtonDuringRun = true;
    int progressDuringRun = -1;
    QTimer probe;
    probe.setInterval(20);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!dlg->Retrieving() || dlg->ProgressBar1->value() < 1)
            return;
        probe.stop();
        progressDuringRun = dlg->ProgressBar1->value();
        anyButtonDuringRun = dlg->BitBtn1->isEnabled() || dlg->BitBtn2->isEnabled() ||
                             dlg->BitBtn3->isEnabled() || dlg->BitBtn4->isEnabled() ||
                             dlg->BitBtn5->isEnabled();
        dlg->BitBtn6->click();
        dlg->close();
        dlg->reject();
        closedDuringRun = !dlg->isVisible();
        dlg->BitBtn3Click(); // a second run is refused while one waits
    });
    probe.start();
    dlg->BitBtn3->click();

    EXPECT_FALSE(closedDuringRun);
    EXPECT_FALSE(anyButtonDuringRun);
    EXPECT_GE(progressDuringRun, 1);
    EXPECT_EQ(dlg->Retrieval().LastOutcome(), TRetrievalOutcome::roDone);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(dlg->ProgressBar1->value(), 0);
    EXPECT_EQ(memory.recordCount(), 0u);
    EXPECT_EQ(memory.clearRequests(), 1);
    EXPECT_EQ(fileRows(dbPath.toStdString()), 5);
    EXPECT_EQ(dlg->Query1->RecordCount(), 5);
    EXPECT_FALSE(dlg->BitBtn3->isEnabled());
    EXPECT_TRUE(dlg->BitBtn4->isEnabled());
    const int prueflingColumn = 2;
    EXPECT_EQ(dlg->DBGrid1->CellText(1, prueflingColumn), "ja");
    EXPECT_EQ(dlg->DBGrid1->CellText(0, prueflingColumn), "nein");

    TQuery q(nullptr, db.get());
    DefineStagingQuery(q);
    q.Open();
    q.Next();
    EXPECT_EQ(q.FieldByName(QStringLiteral("PrueflingNr")).AsInteger(), 1);
    EXPECT_EQ(q.FieldByName(QStringLiteral("Pruefer")).AsString(), "Schmidt");
    EXPECT_EQ(q.FieldByName(QStringLiteral("GT-Seriennummer")).AsString(), "0987654321");
    EXPECT_EQ(q.FieldByName(QStringLiteral("Datum")).AsDate(), QDate::currentDate());
    dlg->BitBtn6->click();
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(RetrievalDialog, ABrokenConnectionShowsOneMessageAndLeavesTheListEmpty) {
    load(10);
    memory.setFaults({5, 1, 0, false});
    dlg->BitBtn3->click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Die Verbindung zum Gerätetester ist unterbrochen.");
    EXPECT_EQ(dlg->Query1->RecordCount(), 0);
    EXPECT_EQ(dlg->ProgressBar1->value(), 0);
    EXPECT_TRUE(dlg->BitBtn3->isEnabled());
    EXPECT_EQ(memory.recordCount(), 10u);
}

} // namespace
