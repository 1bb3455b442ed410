// Failures of the database engine reach the user as German sentences that name the file.
#include "platform/database.h"
#include "platform/log_sink.h"
#include "platform/query.h"
#include "records/ProgramDatabase.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace platform;

namespace {

class DatabaseErrorTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path() const { return dir.filePath(QStringLiteral("Pruefdaten.sqlite")); }

    // The message of what fn throws; empty when it throws nothing.
    template <typename Fn> QString messageOf(Fn fn) {
        try {
            fn();
        } catch (const EDatabaseError& e) {
            return e.Message();
        }
        return QString();
    }

    void addCustomer(Database& db) {
        TQuery q(nullptr, &db);
        q.SQLAdd(QStringLiteral("select * from \"Kunden.db\""));
        q.SetRequestLive(true);
        q.Open();
        q.Append();
        q.FieldByName(QStringLiteral("Name1")).SetAsString(QStringLiteral("Müller"));
        q.Post();
    }

    QTemporaryDir dir;
};

TEST_F(DatabaseErrorTest, WritingAReadOnlyFileSaysSoAndNamesTheFile) {
    Database db(path(), ProgramDatabaseSchema());
    db.Execute(QStringLiteral("PRAGMA query_only = ON")); // as a write-protected file answers
    const QString text = messageOf([&] { addCustomer(db); });
    EXPECT_TRUE(text.startsWith(QStringLiteral("Die Datenbankdatei \"%1\" ist schreibgeschützt").arg(path())))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("attempt to write a readonly database"))) << text.toStdString();
}

TEST_F(DatabaseErrorTest, FileThatIsNoDatabaseSaysSo) {
    QFile junk(path());
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    const QString text = messageOf([&] { Database db(path(), ProgramDatabaseSchema()); });
    EXPECT_TRUE(text.startsWith(QStringLiteral("Die Datei \"%1\" ist keine Datenbankdatei").arg(path())))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("file is not a database"))) << text.toStdString();
}

TEST_F(DatabaseErrorTest, FileThatCannotBeCreatedSaysSo) {
    for (const QString& where : {dir.filePath(QStringLiteral("fehlt/Pruefdaten.sqlite")), dir.path()}) {
        const QString text = messageOf([&] { Database db(where, ProgramDatabaseSchema()); });
        EXPECT_TRUE(text.startsWith(
            QStringLiteral("Die Datenbankdatei \"%1\" kann nicht angelegt oder geöffnet werden").arg(where)))
            << text.toStdString();
        EXPECT_TRUE(text.endsWith(QStringLiteral("unable to open database file"))) << text.toStdString();
    }
}

TEST_F(DatabaseErrorTest, FileLockedByAnotherProgramSaysSo) {
    Database db(path(), ProgramDatabaseSchema());
    db.SetBusyTimeout(20);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const QString text = messageOf([&] { addCustomer(db); });
    sqlite3_close(other);
    EXPECT_TRUE(text.startsWith(
        QStringLiteral("Die Datenbankdatei \"%1\" ist von einem anderen Programm gesperrt").arg(path())))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("database is locked"))) << text.toStdString();
}

TEST_F(DatabaseErrorTest, FullDiskSaysSo) {
    Database db(path(), ProgramDatabaseSchema());
    addCustomer(db);
    db.Execute(QStringLiteral("PRAGMA max_page_count = 1")); // no room to grow, as on a full disk
    const QString text = messageOf([&] {
        for (int i = 0; i < 200; ++i)
            addCustomer(db);
    });
    EXPECT_TRUE(text.startsWith(QStringLiteral("Die Datenbankdatei \"%1\" kann nicht wachsen").arg(path())))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("database or disk is full"))) << text.toStdString();
}

TEST_F(DatabaseErrorTest, RelativeNameIsShownWithItsDirectory) {
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QFile junk(QStringLiteral("x.sqlite"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    const QString text = messageOf([&] { Database db(QStringLiteral("x.sqlite"), ProgramDatabaseSchema()); });
    QDir::setCurrent(old);
    EXPECT_TRUE(text.contains(QDir(dir.path()).absoluteFilePath(QStringLiteral("x.sqlite"))))
        << text.toStdString();
}

} // namespace

TEST(DatabaseJournal, AFileThatRefusesWriteAheadIsNotedInTheProgramLog) {
    std::vector<std::string> log;
    const LogSink before = setLogSink([&](const std::string& text) { log.push_back(text); });
    const auto restore = qScopeGuard([&] { setLogSink(before); });
    QTemporaryDir dir;
    { Database file(dir.filePath(QStringLiteral("Pruefdaten.sqlite")), ProgramDatabaseSchema()); }
    EXPECT_TRUE(log.empty()) << "a file written ahead needs no note";
    // A memory database keeps its journal in memory, as a file system without WAL keeps its own.
    Database memory(QStringLiteral(":memory:"), ProgramDatabaseSchema());
    EXPECT_EQ(log, std::vector<std::string>{"Datenbank :memory:: Journalmodus memory statt WAL"});
}
