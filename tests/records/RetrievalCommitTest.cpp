// The fetch's commit into a database file that other programs hold open at the same time.
#include "platform/database.h"
#include "platform/query.h"
#include "records/ProgramDatabase.h"
#include "records/RecordRetrieval.h"
#include "records/StagingTable.h"
#include "tests/support/FakeTesterLink.h"
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
    // How often the tester was told to clear its records.
    int clears() const { return static_cast<int>(tester.count("C")); }

    void store(int n) {
        for (int i = 1; i <= n; ++i) {
            TStoredTestValues v;
            v.Barcode = std::to_string(1000 + i);
            v.Klasse = 1;
            v.Messablauf = 0x40;
            tester.records.push_back(EncodeStoredRecord(v).Part);
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
        TRecordRetrieval retrieval(tester, sink, view);
        retrieval.Run(TRecordStamp{QDate(2024, 5, 6), QStringLiteral("0987654321"), QStringLiteral("Meier")});
        return retrieval.LastOutcome();
    }

    QTemporaryDir dir;
    std::unique_ptr<Database> db;
    std::unique_ptr<TQuery> staging;
    FakeTesterLink tester; // with stored records
    SilentView view;
};

TEST_F(RetrievalCommit, ReaderHoldingTheFileDoesNotStopTheFetchAndClearComesAfterTheCommit) {
    store(3);
    OtherConnection reader(path());
    ASSERT_EQ(reader.exec("BEGIN"), SQLITE_OK);
    ASSERT_EQ(reader.count("Uebernah.db"), 0);
    int64_t rowsWhenCleared = -2;
    tester.whileWaiting = [&](const FakeTesterLink::Request& r) {
        if (FakeTesterLink::NameOf(r) == "C")
            rowsWhenCleared = rowsInFile();
    };

    EXPECT_EQ(fetch(), TRetrievalOutcome::roDone);
    EXPECT_EQ(clears(), 1);
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
        EXPECT_EQ(clears(), 0);
        EXPECT_EQ(staging->RecordCount(), 0);
        EXPECT_TRUE(sqlite3_get_autocommit(db->Handle()));
        expectToldNothingStored("gesperrt");
        writer.exec("ROLLBACK");
    }
    EXPECT_EQ(rowsInFile(), 0);
    EXPECT_EQ(tester.records.size(), 3u);

    EXPECT_EQ(fetch(), TRetrievalOutcome::roDone);
    EXPECT_EQ(clears(), 1);
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
    EXPECT_EQ(clears(), 0);
    EXPECT_EQ(staging->RecordCount(), 0);
    EXPECT_EQ(rowsInFile(), 0);
    EXPECT_TRUE(sqlite3_get_autocommit(db->Handle()));
    expectToldNothingStored("FOREIGN KEY");

    db->Execute(QStringLiteral("DROP TRIGGER dangling"));
    EXPECT_EQ(fetch(), TRetrievalOutcome::roDone);
    EXPECT_EQ(clears(), 1);
    EXPECT_EQ(staging->RecordCount(), 3);
    EXPECT_TRUE(view.messages.empty());
    close();
    EXPECT_EQ(rowsInFile(), 3);
}

} // namespace
