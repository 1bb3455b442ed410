// Commits against other programs that hold the same file: readers never make a write fail,
// and a commit that fails leaves no transaction behind.
#include "platform/database.h"
#include "platform/query.h"
#include "records/ProgramDatabase.h"
#include "tests/support/failing_disk.h"
#include "tests/support/other_connection.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace platform;

namespace {

class DatabaseCommitTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        db = std::make_unique<Database>(path(), ProgramDatabaseSchema());
        db->SetBusyTimeout(50);
    }
    QString path() const { return dir.filePath(QStringLiteral("Pruefdaten.sqlite")); }

    // What a program that opens the file now finds in it.
    int64_t rowsInFile(const char* table) { return OtherConnection(path()).count(table); }

    void stageRow(TQuery& q, int lfdNr) {
        q.Append();
        q.FieldByName(QStringLiteral("LfdNr")).SetAsInteger(lfdNr);
        q.Post();
    }

    std::unique_ptr<TQuery> staging() {
        auto q = std::make_unique<TQuery>(nullptr, db.get());
        q->SQLAdd(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
        q->SetRequestLive(true);
        q->Open();
        return q;
    }

    QTemporaryDir dir;
    std::unique_ptr<Database> db;
};

TEST_F(DatabaseCommitTest, FileIsWrittenAheadWithFullSync) {
    TQuery q(nullptr, db.get());
    q.SQLAdd(QStringLiteral("PRAGMA journal_mode"));
    q.Open();
    EXPECT_EQ(q.Fields()[0]->AsString(), QStringLiteral("wal"));
    q.Close();
    q.SQLClear();
    q.SQLAdd(QStringLiteral("PRAGMA synchronous"));
    q.Open();
    EXPECT_EQ(q.Fields()[0]->AsInteger(), 2);
}

TEST_F(DatabaseCommitTest, ReaderHoldingATransactionNeverMakesAWriteFail) {
    OtherConnection reader(path());
    ASSERT_EQ(reader.exec("BEGIN"), SQLITE_OK);
    ASSERT_EQ(reader.count("Uebernah.db"), 0);

    auto q = staging();
    stageRow(*q, 1);
    q->SetCachedUpdates(true);
    stageRow(*q, 2);
    stageRow(*q, 3);
    EXPECT_NO_THROW(q->ApplyUpdates());
    EXPECT_TRUE(sqlite3_get_autocommit(db->Handle()));
    EXPECT_EQ(rowsInFile("Uebernah.db"), 3);
    EXPECT_EQ(reader.count("Uebernah.db"), 0); // its own snapshot
    reader.exec("COMMIT");
    EXPECT_EQ(reader.count("Uebernah.db"), 3);
}

TEST_F(DatabaseCommitTest, OurWritesNeverBlockAReader) {
    OtherConnection reader(path());
    auto q = staging();
    q->SetCachedUpdates(true);
    stageRow(*q, 1);
    int64_t seenMeanwhile = -2;
    db->RunAtomically([&] {
        q->ApplyUpdates();
        seenMeanwhile = reader.count("Uebernah.db");
    });
    EXPECT_EQ(seenMeanwhile, 0);
    EXPECT_EQ(reader.count("Uebernah.db"), 1);
}

// A deferred foreign key makes the final release fail after every statement succeeded.
TEST_F(DatabaseCommitTest, FailedCommitIsRolledBackAndTheNextOneCommitsForReal) {
    db->Execute(QStringLiteral("PRAGMA foreign_keys = ON"));
    db->Execute(QStringLiteral("CREATE TABLE anchor (id INTEGER PRIMARY KEY)"));
    db->Execute(
        QStringLiteral("CREATE TABLE pin (a INTEGER REFERENCES anchor(id) DEFERRABLE INITIALLY DEFERRED)"));
    db->Execute(QStringLiteral("CREATE TRIGGER dangling AFTER INSERT ON \"Uebernah.db\" WHEN NEW.LfdNr = 2 "
                               "BEGIN INSERT INTO pin VALUES (99); END"));
    auto q = staging();
    q->SetCachedUpdates(true);
    stageRow(*q, 1);
    stageRow(*q, 2);
    EXPECT_THROW(q->ApplyUpdates(), EDatabaseError);
    EXPECT_TRUE(sqlite3_get_autocommit(db->Handle()));
    EXPECT_EQ(rowsInFile("Uebernah.db"), 0);
    q->SetCachedUpdates(false);
    EXPECT_EQ(q->RecordCount(), 0);

    db->Execute(QStringLiteral("DROP TRIGGER dangling"));
    q->SetCachedUpdates(true);
    stageRow(*q, 1);
    q->ApplyUpdates();
    q->SetCachedUpdates(false);
    EXPECT_EQ(rowsInFile("Uebernah.db"), 1);
    q.reset();
    db.reset();
    EXPECT_EQ(rowsInFile("Uebernah.db"), 1);
}

TEST_F(DatabaseCommitTest, WriterLockedOutPastTheBusyTimeKeepsNothing) {
    OtherConnection writer(path());
    ASSERT_EQ(writer.exec("BEGIN IMMEDIATE"), SQLITE_OK);
    auto q = staging();
    q->SetCachedUpdates(true);
    stageRow(*q, 1);
    EXPECT_THROW(q->ApplyUpdates(), EDatabaseError);
    EXPECT_TRUE(sqlite3_get_autocommit(db->Handle()));
    writer.exec("ROLLBACK");

    q->ApplyUpdates();
    EXPECT_EQ(rowsInFile("Uebernah.db"), 1);
}

TEST_F(DatabaseCommitTest, UnitInsideATransactionBegunByHandIsNoCommit) {
    db->Execute(QStringLiteral("BEGIN"));
    auto q = staging();
    EXPECT_THROW(db->RunAtomically([&] { stageRow(*q, 1); }), EDatabaseError);
    EXPECT_TRUE(sqlite3_get_autocommit(db->Handle()));
    EXPECT_EQ(rowsInFile("Uebernah.db"), 0);
}

TEST_F(DatabaseCommitTest, FailedInnerUnitLeavesTheOuterOneGoing) {
    auto q = staging();
    db->RunAtomically([&] {
        stageRow(*q, 1);
        EXPECT_THROW(db->RunAtomically([&] {
            stageRow(*q, 2);
            throw EDatabaseError(QStringLiteral("halt"));
        }),
                     EDatabaseError);
        EXPECT_FALSE(sqlite3_get_autocommit(db->Handle()));
    });
    EXPECT_TRUE(sqlite3_get_autocommit(db->Handle()));
    EXPECT_EQ(rowsInFile("Uebernah.db"), 1);
}

// A disk that fails reads as well as writes: the commit fails, and so does reading the rows
// again to drop the cache. Rows that only the cache held must not stay in the list: it closes
// and says so, and the mode ends, so that the list opened again writes straight through.
class DatabaseOnFailingDisk : public DatabaseCommitTest {
protected:
    FailingDisk disk; // in place before SetUp opens the file
};

TEST_F(DatabaseOnFailingDisk, ACacheThatCannotBeDroppedClosesTheListAndSaysSo) {
    auto q = staging();
    stageRow(*q, 1);
    q->SetCachedUpdates(true);
    stageRow(*q, 2);
    stageRow(*q, 3);
    disk.SetFailing(true);
    EXPECT_THROW(q->ApplyUpdates(), EDatabaseError);
    try {
        q->SetCachedUpdates(false);
        ADD_FAILURE() << "the rows were read from a failing disk";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral(
            "Die Liste konnte nicht neu gelesen werden und bleibt leer, bis sie wieder geöffnet wird: ")))
            << e.Message().toStdString();
        EXPECT_TRUE(e.OfTheFile());
    }
    EXPECT_FALSE(q->Active());
    EXPECT_EQ(q->RecordCount(), 0);
    EXPECT_FALSE(q->CachedUpdates());

    disk.SetFailing(false);
    q->Open();
    ASSERT_EQ(q->RecordCount(), 1);
    EXPECT_EQ(q->FieldByName(QStringLiteral("LfdNr")).AsInteger(), 1);
    stageRow(*q, 4);
    EXPECT_EQ(rowsInFile("Uebernah.db"), 2);
}

} // namespace
