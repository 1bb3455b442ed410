// The fetch's commit into a database file that other programs hold open at the same time.
#include "platform/database.h"
#include "platform/query.h"
#include "records/ProgramDatabase.h"
#include "records/RecordRetrieval.h"
#include "records/StagingTable.h"
#include "tests/support/other_connection.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using platform::Database;
using platform::TQuery;

namespace {

// A tester holding stored records: "T" presents the first, "S" the next, "C" clears them.
class MemoryTester : public IRecordLink {
public:
    std::vector<StoredTestRecord> records;
    int clears = 0;
    std::function<void()> onClear; // runs when "C" arrives, before it is answered

    bool Connected() const override { return true; }
    uint32_t AnswerTimeout(TTimeoutClass) const override { return 100; }
    bool RequestMsg(uint8_t Sub, const TMsgData& Data, uint32_t, TProtok& Answer) override {
        TProtok frame{};
        frame[0] = 'S';
        frame[1] = MsgIdTester;
        frame[3] = Sub;
        if (Sub == MsgQueryRecordCount) {
            frame[4] = static_cast<uint8_t>(records.size());
        } else if (Sub >= MsgReadRecordPart1 && Sub <= MsgReadRecordPart5) {
            const auto& part = records.at(current_).Part[Sub - MsgReadRecordPart1];
            std::copy(part.begin(), part.end(), frame.begin() + 4);
        } else if (Sub == MsgEepromFunction && Data == "T") {
            current_ = 0;
        } else if (Sub == MsgEepromFunction && Data == "S") {
            ++current_;
        } else if (Sub == MsgEepromFunction && Data == "C") {
            ++clears;
            if (onClear)
                onClear();
            records.clear();
        }
        Answer = frame;
        return true;
    }
    bool RequestOnce(uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs, TProtok& Answer) override {
        return RequestMsg(Sub, Data, TimeoutMs, Answer);
    }

private:
    size_t current_ = 0;
};

class SilentView : public IRetrievalView {
public:
    void SetProgressMax(int) override {}
    void SetProgressPosition(int) override {}
    void ShowMessage(const QString& Text) override { messages.push_back(Text); }
    void UpdateButtons() override {}
    std::vector<QString> messages;
};

class RetrievalCommit : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        open();
    }
    void TearDown() override {
        staging.reset();
        Database::SetCurrent(nullptr);
    }

    void open() {
        db = std::make_unique<Database>(path(), ProgramDatabaseSchema());
        db->SetBusyTimeout(50);
        Database::SetCurrent(db.get());
        staging = std::make_unique<TQuery>(nullptr, db.get());
        DefineStagingQuery(*staging);
        staging->Open();
    }
    void close() {
        staging.reset();
        Database::SetCurrent(nullptr);
        db.reset();
    }

    QString path() const { return dir.filePath(QStringLiteral("Pruefdaten.sqlite")); }
    int64_t rowsInFile() { return OtherConnection(path()).count("Uebernah.db"); }

    void store(int n) {
        for (int i = 1; i <= n; ++i) {
            TStoredTestValues v;
            v.Barcode = std::to_string(1000 + i);
            v.Klasse = 1;
            v.Messablauf = 0x40;
            tester.records.push_back(EncodeStoredRecord(v));
        }
    }

    // The user was told once that the fetch stored nothing, why, and that the tester keeps it.
    void expectToldNothingStored(const char* reason) {
        ASSERT_EQ(view.messages.size(), 1u);
        const QString& text = view.messages[0];
        EXPECT_TRUE(text.startsWith("Die Datensätze konnten nicht gespeichert werden: "))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String(reason))) << text.toStdString();
        EXPECT_TRUE(text.endsWith("\nEs wurde nichts gespeichert; die Datensätze bleiben im Gerätetester."));
        view.messages.clear();
    }

    TRetrievalOutcome fetch() {
        TStagingQuerySink sink(*staging);
        TRecordRetrieval retrieval(tester, sink, view, gate);
        retrieval.Run(TRecordStamp{QDate(2024, 5, 6), QStringLiteral("0987654321"), QStringLiteral("Meier")});
        return retrieval.LastOutcome();
    }

    QTemporaryDir dir;
    std::unique_ptr<Database> db;
    std::unique_ptr<TQuery> staging;
    MemoryTester tester;
    SilentView view;
    TExchangeGate gate;
};

TEST_F(RetrievalCommit, ReaderHoldingTheFileDoesNotStopTheFetchAndClearComesAfterTheCommit) {
    store(3);
    OtherConnection reader(path());
    ASSERT_EQ(reader.exec("BEGIN"), SQLITE_OK);
    ASSERT_EQ(reader.count("Uebernah.db"), 0);
    int64_t rowsWhenCleared = -2;
    tester.onClear = [&] { rowsWhenCleared = rowsInFile(); };

    EXPECT_EQ(fetch(), TRetrievalOutcome::roDone);
    EXPECT_EQ(tester.clears, 1);
    EXPECT_EQ(rowsWhenCleared, 3);
    EXPECT_EQ(staging->RecordCount(), 3);
    reader.exec("COMMIT");
    close();
    EXPECT_EQ(rowsInFile(), 3);
}

TEST_F(RetrievalCommit, WriterLockPastTheBusyTimeFailsTheFetchAndTheNextOneCommits) {
    store(3);
    {
        OtherConnection writer(path());
        ASSERT_EQ(writer.exec("BEGIN IMMEDIATE"), SQLITE_OK);
        EXPECT_EQ(fetch(), TRetrievalOutcome::roStoreFailed);
        EXPECT_EQ(tester.clears, 0);
        EXPECT_EQ(staging->RecordCount(), 0);
        EXPECT_TRUE(sqlite3_get_autocommit(db->Handle()));
        expectToldNothingStored("gesperrt");
        writer.exec("ROLLBACK");
    }
    EXPECT_EQ(rowsInFile(), 0);
    EXPECT_EQ(tester.records.size(), 3u);

    EXPECT_EQ(fetch(), TRetrievalOutcome::roDone);
    EXPECT_EQ(tester.clears, 1);
    close();
    EXPECT_EQ(rowsInFile(), 3);
}

// The rows are written, but the commit itself fails (a deferred constraint): nothing may stay
// behind in an open transaction for a later commit to lose.
TEST_F(RetrievalCommit, CommitFailingAtTheEndShowsNothingAndTheNextFetchCommitsForReal) {
    store(3);
    db->Execute(QStringLiteral("PRAGMA foreign_keys = ON"));
    db->Execute(QStringLiteral("CREATE TABLE anchor (id INTEGER PRIMARY KEY)"));
    db->Execute(
        QStringLiteral("CREATE TABLE pin (a INTEGER REFERENCES anchor(id) DEFERRABLE INITIALLY DEFERRED)"));
    db->Execute(QStringLiteral("CREATE TRIGGER dangling AFTER INSERT ON \"Uebernah.db\" "
                               "BEGIN INSERT INTO pin VALUES (99); END"));

    EXPECT_EQ(fetch(), TRetrievalOutcome::roStoreFailed);
    EXPECT_EQ(tester.clears, 0);
    EXPECT_EQ(staging->RecordCount(), 0);
    EXPECT_EQ(rowsInFile(), 0);
    EXPECT_TRUE(sqlite3_get_autocommit(db->Handle()));
    expectToldNothingStored("FOREIGN KEY");

    db->Execute(QStringLiteral("DROP TRIGGER dangling"));
    EXPECT_EQ(fetch(), TRetrievalOutcome::roDone);
    EXPECT_EQ(tester.clears, 1);
    EXPECT_EQ(staging->RecordCount(), 3);
    EXPECT_TRUE(view.messages.empty());
    close();
    EXPECT_EQ(rowsInFile(), 3);
}

} // namespace
