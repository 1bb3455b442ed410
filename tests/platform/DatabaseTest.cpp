#include "platform/database.h"
#include "platform/query.h"
#include "records/ProgramDatabase.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

using namespace platform;

namespace {

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        db = std::make_unique<Database>(path(), ProgramDatabaseSchema());
    }
    QString path() const { return dir.filePath(QStringLiteral("Pruefdaten.sqlite")); }

    int count(const QString& table) {
        TQuery q(nullptr, db.get());
        q.SQLAdd(QStringLiteral("select count(*) as n from \"%1\"").arg(table));
        q.Open();
        return q.FieldByName(QStringLiteral("n")).AsInteger();
    }

    std::unique_ptr<TQuery> live(const QString& sql) {
        auto q = std::make_unique<TQuery>(nullptr, db.get());
        q->SQLAdd(sql);
        q->SetRequestLive(true);
        q->Open();
        return q;
    }

    int addCustomer(const QString& name) {
        auto q = live(QStringLiteral("select * from \"Kunden.db\""));
        q->Append();
        q->FieldByName(QStringLiteral("Name1")).SetAsString(name);
        q->Post();
        return q->FieldByName(QStringLiteral("KundenNr")).AsInteger();
    }

    int addDevice(int customer, const QString& barcode) {
        auto q = live(QStringLiteral("select * from \"Prueflng.db\""));
        q->Append();
        q->FieldByName(QStringLiteral("KundenNr")).SetAsInteger(customer);
        q->FieldByName(QStringLiteral("Barcode")).SetAsString(barcode);
        q->Post();
        return q->FieldByName(QStringLiteral("PrueflingNr")).AsInteger();
    }

    // Staging rows with LfdNr 1..n.
    void stage(int n) {
        auto q = live(QStringLiteral("select * from \"Uebernah.db\""));
        for (int i = 1; i <= n; ++i) {
            q->Append();
            q->FieldByName(QStringLiteral("LfdNr")).SetAsInteger(i);
            q->Post();
        }
    }

    std::vector<int> lfdNrs(TQuery& q) {
        std::vector<int> out;
        for (int i = 0; i < q.RecordCount(); ++i)
            q.WithRow(i, [&] { out.push_back(q.FieldByName(QStringLiteral("LfdNr")).AsInteger()); });
        return out;
    }

    QTemporaryDir dir;
    std::unique_ptr<Database> db;
};

// ---- file and schema

TEST_F(DatabaseTest, NewFileGetsTheFourTablesAndTheSchemaVersion) {
    EXPECT_EQ(db->SchemaVersion(), ProgramDatabaseSchema().version);
    for (const char* table : {"Kunden.db", "Prueflng.db", "Pruefung.db", "Uebernah.db"})
        EXPECT_EQ(count(QString::fromLatin1(table)), 0) << table;
}

TEST_F(DatabaseTest, ReopeningKeepsTheRows) {
    addCustomer(QStringLiteral("Müller"));
    db.reset();
    db = std::make_unique<Database>(path(), ProgramDatabaseSchema());
    auto q = live(QStringLiteral("select * from \"Kunden.db\""));
    ASSERT_EQ(q->RecordCount(), 1);
    EXPECT_EQ(q->FieldByName(QStringLiteral("Name1")).AsString(), QStringLiteral("Müller"));
}

TEST(DatabaseFile, DefaultFileNameIsInTheWorkingDirectory) {
    EXPECT_EQ(ProgramDatabaseFileName(), QStringLiteral("Pruefdaten.sqlite"));
}

TEST(DatabaseFile, CurrentDatabaseCanBeReplacedForTests) {
    QTemporaryDir dir;
    Database mine(dir.filePath(QStringLiteral("x.sqlite")), ProgramDatabaseSchema());
    Database::SetCurrent(&mine);
    EXPECT_EQ(&Database::Current(), &mine);
    TQuery q;
    q.SQLAdd(QStringLiteral("select * from \"Kunden.db\""));
    q.SetRequestLive(true);
    q.Open();
    EXPECT_EQ(q.RecordCount(), 0);

    // An open query stays with the file it was opened on.
    Database other(dir.filePath(QStringLiteral("y.sqlite")), ProgramDatabaseSchema());
    Database::SetCurrent(&other);
    q.Append();
    q.Post();
    Database::SetCurrent(&mine);
    q.Close();
    q.Open();
    EXPECT_EQ(q.RecordCount(), 1);
    Database::SetCurrent(nullptr);
}

// The program's own file is opened on first use and closed as the program exits, after every
// other static object: closing must not touch one that is gone (AddressSanitizer sees it).
TEST(DatabaseFileDeathTest, TheFileOpenedOnFirstUseClosesCleanlyAtExit) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            QTemporaryDir dir;
            const QString file = dir.filePath(QStringLiteral("exit.sqlite"));
            Database::SetDefaultOpener(
                [file] { return std::make_unique<Database>(file, ProgramDatabaseSchema()); });
            Database::Current();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(DatabaseFile, FileLackingAFieldFailsWhenTheQueryOpens) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("old.sqlite"));
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(file.toUtf8().constData(), &raw), SQLITE_OK);
        sqlite3_exec(
            raw, "CREATE TABLE \"Pruefung.db\" (\"PruefungsNr\" INTEGER PRIMARY KEY, \"Notiz\" VARCHAR(255))",
            nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    Database db(file, ProgramDatabaseSchema());
    EXPECT_EQ(db.SchemaVersion(), 0); // a foreign file is not changed

    TQuery tests(nullptr, &db);
    tests.SQLAdd(QStringLiteral("select * from \"Pruefung.db\""));
    tests.AddField(QStringLiteral("PruefungsNr"), TFieldType::ftAutoInc);
    tests.AddField(QStringLiteral("Sichtpruef"), TFieldType::ftInteger);
    try {
        tests.Open();
        FAIL() << "opened";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Feld \"Sichtpruef\" ist ungültig oder fehlerhaft"));
    }
    EXPECT_FALSE(tests.Active());

    TQuery customers(nullptr, &db);
    customers.SQLAdd(QStringLiteral("select * from \"Kunden.db\""));
    try {
        customers.Open();
        FAIL() << "opened";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("no such table: Kunden.db"))) << e.what();
    }
}

TEST(DatabaseFile, DeclaredFieldOfAnotherTypeFails) {
    QTemporaryDir dir;
    Database db(dir.filePath(QStringLiteral("t.sqlite")), ProgramDatabaseSchema());
    TQuery q(nullptr, &db);
    q.SQLAdd(QStringLiteral("select * from \"Kunden.db\""));
    q.AddField(QStringLiteral("Name1"), TFieldType::ftInteger);
    EXPECT_THROW(q.Open(), EDatabaseError);
}

TEST(DatabaseFile, NoDatabaseFileFailsWithAMessage) {
    QTemporaryDir dir;
    QFile junk(dir.filePath(QStringLiteral("junk.sqlite")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    EXPECT_THROW(Database(junk.fileName(), ProgramDatabaseSchema()), EDatabaseError);
}

// ---- the program's SQL texts

TEST_F(DatabaseTest, EveryStatementOfTheProgramRunsAsItStands) {
    const int k = addCustomer(QStringLiteral("Kunde"));
    const int p = addDevice(k, QStringLiteral("4711"));
    stage(1);
    {
        auto t = live(QStringLiteral("select * from \"Pruefung.db\""));
        t->Append();
        t->FieldByName(QStringLiteral("PrueflingNr")).SetAsInteger(p);
        t->Post();
    }
    struct Text {
        QStringList lines;
        bool live;
        int rows;
    };
    const QString n = QStringLiteral("1");
    const std::vector<Text> texts = {
        {{"select * from \"Kunden.db\"", "order by KundenNr"}, true, 1},
        {{"select * from \"Prueflng.db\"", "where KundenNr = :KundenNr", "order by PrueflingNr"}, true, 1},
        {{"select * from \"Pruefung.db\"", "where PrueflingNr = :PrueflingNr", "order by PruefungsNr"},
         true,
         1},
        {{"select PruefungsNr,PrueflingNr from \"Pruefung.db\" where PruefungsNr=" + n}, false, 1},
        {{"select PrueflingNr,KundenNr from \"Prueflng.db\" where PrueflingNr=" + n}, false, 1},
        {{"select PrueflingNr,Barcode from \"Prueflng.db\"", "where Barcode = :Barcode",
          "and PrueflingNr <> 0"},
         false,
         1},
        {{"select * from \"Pruefung.db\" as M, \"Prueflng.db\" as P, \"Kunden.db\" as K",
          "where M.PrueflingNr = P.PrueflingNr and P.KundenNr = K.KundenNr"},
         false,
         1},
        {{"select * from \"Uebernah.db\"", "order by LfdNr"}, true, 1},
        {{"select PrueflingNr, Barcode from \"Prueflng.db\"", "where Barcode = :Barcode"}, false, 1},
        {{"select * from \"Pruefung.db\"", "order by PruefungsNr"}, true, 1},
        {{"select * from \"Prueflng.db\" as P, \"Kunden.db\" as K", "where P.KundenNr = K.KundenNr",
          "order by PrueflingNr"},
         false,
         1},
        {{"select * from \"Kunden.db\""}, true, 1},
        {{"select * from \"Prueflng.db\""}, true, 1},
        {{"select Barcode from \"Prueflng.db\"", "where Barcode = :Barcode"}, false, 1},
        {{"select * from \"Pruefung.db\" where PruefungsNr=" + n}, false, 1},
    };
    for (const auto& text : texts) {
        TQuery q(nullptr, db.get());
        for (const auto& line : text.lines)
            q.SQLAdd(line);
        q.SetRequestLive(text.live);
        if (text.lines.join(' ').contains(":KundenNr"))
            q.ParamByName(QStringLiteral("KundenNr")).SetAsInteger(k);
        if (text.lines.join(' ').contains(":PrueflingNr"))
            q.ParamByName(QStringLiteral("PrueflingNr")).SetAsInteger(p);
        if (text.lines.join(' ').contains(":Barcode"))
            q.ParamByName(QStringLiteral("Barcode")).SetAsString(QStringLiteral("4711"));
        ASSERT_NO_THROW(q.Open()) << text.lines.join(' ').toStdString();
        EXPECT_EQ(q.RecordCount(), text.rows) << text.lines.join(' ').toStdString();
        EXPECT_EQ(q.CanModify(), text.live);
    }
}

TEST_F(DatabaseTest, JoinNamesTheSecondFieldOfANameWithASuffix) {
    const int k = addCustomer(QStringLiteral("Kunde"));
    const int p = addDevice(k, QString());
    TQuery q(nullptr, db.get());
    q.SQLAdd(QStringLiteral("select * from \"Prueflng.db\" as P, \"Kunden.db\" as K"));
    q.SQLAdd(QStringLiteral("where P.KundenNr = K.KundenNr"));
    q.Open();
    EXPECT_EQ(q.FieldByName(QStringLiteral("PrueflingNr")).AsInteger(), p);
    EXPECT_EQ(q.FieldByName(QStringLiteral("KundenNr")).AsInteger(), k);
    EXPECT_EQ(q.FieldByName(QStringLiteral("KundenNr_1")).AsInteger(), k);
    EXPECT_EQ(q.FieldByName(QStringLiteral("Name1")).AsString(), QStringLiteral("Kunde"));
}

// ---- parameters

TEST_F(DatabaseTest, UserTextIsBoundAsAParameterNotPastedIntoTheStatement) {
    const int k = addCustomer(QStringLiteral("K"));
    addDevice(k, QStringLiteral("Barcode"));
    const int tricky = addDevice(k, QStringLiteral("a\"b' or 1=1"));
    TQuery q(nullptr, db.get());
    q.SQLAdd(QStringLiteral("select PrueflingNr, Barcode from \"Prueflng.db\""));
    q.SQLAdd(QStringLiteral("where Barcode = :Barcode"));
    q.SetUniDirectional(true);
    q.ParamByName(QStringLiteral("Barcode")).SetAsString(QStringLiteral("a\"b' or 1=1"));
    q.Open();
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.FieldByName(QStringLiteral("PrueflingNr")).AsInteger(), tricky);
    q.Close();
    // A text that names a column is still only a text.
    q.ParamByName(QStringLiteral("Barcode")).SetAsString(QStringLiteral("PrueflingNr"));
    q.Open();
    EXPECT_EQ(q.RecordCount(), 0);
}

TEST_F(DatabaseTest, EmptyTextParameterMatchesNoEmptyBarcode) {
    const int k = addCustomer(QStringLiteral("K"));
    addDevice(k, QString());
    TQuery q(nullptr, db.get());
    q.SQLAdd(QStringLiteral("select PrueflingNr, Barcode from \"Prueflng.db\" where Barcode = :Barcode"));
    q.ParamByName(QStringLiteral("Barcode")).SetAsString(QString());
    q.Open();
    EXPECT_EQ(q.RecordCount(), 0);
    EXPECT_TRUE(q.Eof());

    // The new-device check with an empty edit text finds no duplicate either.
    TQuery check(nullptr, db.get());
    check.SQLAdd(QStringLiteral("select Barcode from \"Prueflng.db\""));
    check.SQLAdd(QStringLiteral("where Barcode = :Barcode"));
    check.ParamByName(QStringLiteral("Barcode")).SetAsString(QString());
    check.Open();
    EXPECT_EQ(check.RecordCount(), 0);
}

TEST_F(DatabaseTest, UnknownOrUnsetParameterFails) {
    const QString sql =
        QStringLiteral("select * from \"Prueflng.db\" where KundenNr = :KundenNr and Typ = ':Nix'");
    TQuery q(nullptr, db.get());
    q.SQLAdd(sql);
    q.ParamByName(QStringLiteral("KundenNr")).SetAsInteger(3);
    q.ParamByName(QStringLiteral("Nix")).SetAsInteger(1); // only in a quoted text
    EXPECT_THROW(q.Open(), EDatabaseError);
    EXPECT_FALSE(q.Active());

    TParam& kunde = q.ParamByName(QStringLiteral("KundenNr"));
    q.SetSQL({sql}); // a new text starts without values
    EXPECT_THROW(q.Open(), EDatabaseError);
    kunde.SetAsInteger(3);
    q.ParamByName(QStringLiteral("KundenNr"));
    EXPECT_NO_THROW(q.Open());
}

TEST_F(DatabaseTest, WordInDoubleQuotesIsANameNeverAText) {
    const int k = addCustomer(QStringLiteral("K"));
    addDevice(k, QStringLiteral("Barcod"));
    for (const char* sql : {"select * from \"Prueflng.db\" where \"Barcod\" = :Barcode",
                            "select * from \"Prueflng.db\" where Barcode = \"Barcod\""}) {
        TQuery q(nullptr, db.get());
        q.SQLAdd(QString::fromLatin1(sql));
        if (QString::fromLatin1(sql).contains(QLatin1Char(':')))
            q.ParamByName(QStringLiteral("Barcode")).SetAsString(QStringLiteral("Barcod"));
        try {
            q.Open();
            ADD_FAILURE() << "opened: " << sql;
        } catch (const EDatabaseError& e) {
            EXPECT_TRUE(e.Message().endsWith(QStringLiteral("no such column: Barcod"))) << e.what();
        }
    }
}

// ---- fields

TEST_F(DatabaseTest, EmptyFieldsReadAsZeroFalseAndEmptyText) {
    stage(1);
    auto q = live(QStringLiteral("select * from \"Uebernah.db\""));
    EXPECT_EQ(q->FieldByName(QStringLiteral("Schutzleiterwid")).AsInteger(), 0);
    EXPECT_FALSE(q->FieldByName(QStringLiteral("Pruefungsergebnis")).AsBoolean());
    EXPECT_EQ(q->FieldByName(QStringLiteral("Notiz")).AsString(), QString());
    EXPECT_FALSE(q->FieldByName(QStringLiteral("Datum")).AsDate().isValid());
    EXPECT_EQ(q->FieldByName(QStringLiteral("Datum")).AsString(), QString());
    EXPECT_TRUE(q->FieldByName(QStringLiteral("Barcode")).IsNull());
}

TEST_F(DatabaseTest, FieldsKeepTheirTypesAndValues) {
    auto q = live(QStringLiteral("select * from \"Uebernah.db\""));
    q->Append();
    q->FieldByName(QStringLiteral("Datum")).SetAsDate(QDate(2024, 2, 29));
    q->FieldByName(QStringLiteral("Schutzleiterwid")).SetAsInteger(-1);
    q->FieldByName(QStringLiteral("Grenzwertflags")).SetAsInteger(255);
    q->FieldByName(QStringLiteral("Pruefungsergebnis")).SetAsBoolean(true);
    q->FieldByName(QStringLiteral("GT-Seriennummer")).SetAsString(QStringLiteral("0123456789"));
    q->Post();
    q->Close();
    q->Open();
    EXPECT_EQ(q->FieldByName(QStringLiteral("Datum")).AsDate(), QDate(2024, 2, 29));
    EXPECT_EQ(q->FieldByName(QStringLiteral("Datum")).AsString(), QStringLiteral("29.02.2024"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("Schutzleiterwid")).AsInteger(), -1);
    EXPECT_EQ(q->FieldByName(QStringLiteral("Grenzwertflags")).AsInteger(), 255);
    EXPECT_TRUE(q->FieldByName(QStringLiteral("Pruefungsergebnis")).AsBoolean());
    EXPECT_EQ(q->FieldByName(QStringLiteral("GT-Seriennummer")).AsString(), QStringLiteral("0123456789"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("Grenzwertflags")).DataType(), TFieldType::ftSmallint);
    EXPECT_EQ(q->FieldByName(QStringLiteral("Notiz")).Size(), 255);
}

TEST_F(DatabaseTest, TextIsCutToTheFieldWidthInCharacters) {
    auto q = live(QStringLiteral("select * from \"Uebernah.db\""));
    q->Append();
    q->FieldByName(QStringLiteral("Barcode")).SetAsString(QStringLiteral("1234567890ABCDEFG"));
    q->FieldByName(QStringLiteral("Pruefer")).SetAsString(QString(30, QChar(0x00FC))); // ü, two bytes each
    q->FieldByName(QStringLiteral("GT-Seriennummer")).SetAsString(QStringLiteral("😀😀😀😀😀😀😀😀😀😀😀"));
    q->Post();
    q->Close();
    q->Open();
    EXPECT_EQ(q->FieldByName(QStringLiteral("Barcode")).AsString(), QStringLiteral("1234567890ABCDE"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("Pruefer")).AsString(), QString(25, QChar(0x00FC)));
    EXPECT_EQ(q->FieldByName(QStringLiteral("GT-Seriennummer")).AsString().toUcs4().size(), 10);
}

TEST_F(DatabaseTest, UnknownFieldNameFails) {
    auto q = live(QStringLiteral("select * from \"Kunden.db\""));
    EXPECT_THROW(q->FieldByName(QStringLiteral("Nachname")), EDatabaseError);
    EXPECT_EQ(q->FindField(QStringLiteral("Nachname")), nullptr);
    EXPECT_NE(q->FindField(QStringLiteral("name1")), nullptr); // names ignore case
}

TEST_F(DatabaseTest, BadValuesAreRefusedAndTheFieldKeepsItsValue) {
    stage(1);
    auto q = live(QStringLiteral("select * from \"Uebernah.db\""));
    q->Edit();
    TField& flags = q->FieldByName(QStringLiteral("Menueflags"));
    flags.SetAsInteger(4);
    EXPECT_THROW(flags.SetAsInteger(40000), EDatabaseError);
    EXPECT_THROW(flags.SetAsString(QStringLiteral("zwölf")), EDatabaseError);
    EXPECT_THROW(q->FieldByName(QStringLiteral("Datum")).SetAsString(QStringLiteral("2024-03-01")),
                 EDatabaseError);
    EXPECT_THROW(q->FieldByName(QStringLiteral("Datum")).SetAsInteger(20240301), EDatabaseError);
    EXPECT_EQ(flags.AsInteger(), 4);
    EXPECT_TRUE(q->FieldByName(QStringLiteral("Datum")).IsNull());
}

TEST_F(DatabaseTest, WritingNeedsEditStateAndALiveResult) {
    addCustomer(QStringLiteral("K"));
    auto q = live(QStringLiteral("select * from \"Kunden.db\""));
    EXPECT_THROW(q->FieldByName(QStringLiteral("Name1")).SetAsString(QStringLiteral("x")), EDatabaseError);
    q->Edit();
    EXPECT_THROW(q->FieldByName(QStringLiteral("KundenNr")).SetAsInteger(99), EDatabaseError);
    q->Cancel();

    TQuery ro(nullptr, db.get());
    ro.SQLAdd(QStringLiteral("select * from \"Kunden.db\""));
    ro.Open();
    EXPECT_FALSE(ro.CanModify());
    EXPECT_THROW(ro.Edit(), EDatabaseError);
    EXPECT_THROW(ro.Append(), EDatabaseError);
    EXPECT_THROW(ro.Delete(), EDatabaseError);
}

TEST_F(DatabaseTest, LiveNeedsAWholeTable) {
    TQuery q(nullptr, db.get());
    q.SQLAdd(QStringLiteral("select * from \"Prueflng.db\" as P, \"Kunden.db\" as K"));
    q.SetRequestLive(true);
    EXPECT_THROW(q.Open(), EDatabaseError);
}

// ---- moving

TEST_F(DatabaseTest, MovingAndTheEndFlags) {
    stage(3);
    auto q = live(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    EXPECT_TRUE(q->Bof());
    EXPECT_FALSE(q->Eof());
    EXPECT_EQ(q->RecNo(), 1);
    q->Next();
    q->Next();
    EXPECT_EQ(q->FieldByName(QStringLiteral("LfdNr")).AsInteger(), 3);
    EXPECT_FALSE(q->Eof());
    q->Next();
    EXPECT_TRUE(q->Eof());
    EXPECT_EQ(q->FieldByName(QStringLiteral("LfdNr")).AsInteger(), 3);
    q->First();
    EXPECT_EQ(q->FieldByName(QStringLiteral("LfdNr")).AsInteger(), 1);
    q->Last();
    EXPECT_EQ(q->RecNo(), 3);
    q->Prior();
    EXPECT_EQ(q->RecNo(), 2);
    EXPECT_EQ(q->MoveBy(5), 1);
    EXPECT_TRUE(q->Eof());
    EXPECT_EQ(q->MoveBy(-7), -2);
    EXPECT_TRUE(q->Bof());
}

TEST_F(DatabaseTest, EmptyResultIsAtBothEnds) {
    auto q = live(QStringLiteral("select * from \"Uebernah.db\""));
    EXPECT_EQ(q->RecordCount(), 0);
    EXPECT_TRUE(q->Eof());
    EXPECT_TRUE(q->Bof());
    EXPECT_EQ(q->RecNo(), 0);
    q->Next();
    q->Last();
    EXPECT_TRUE(q->Eof());
    EXPECT_THROW(q->Delete(), EDatabaseError);
}

TEST_F(DatabaseTest, LocateFindsOrKeepsThePosition) {
    stage(4);
    auto q = live(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    int scrolls = 0;
    q->AfterScroll = [&](TQuery&) { ++scrolls; };
    EXPECT_TRUE(q->Locate(QStringLiteral("LfdNr"), 3));
    EXPECT_EQ(q->RecNo(), 3);
    EXPECT_EQ(scrolls, 1);
    EXPECT_FALSE(q->Locate(QStringLiteral("LfdNr"), 9));
    EXPECT_EQ(q->RecNo(), 3);
    EXPECT_EQ(scrolls, 1);
    EXPECT_THROW(q->Locate(QStringLiteral("Unbekannt"), 1), EDatabaseError);
}

TEST_F(DatabaseTest, ForwardOnlyReadsOnlyForward) {
    stage(2);
    TQuery q(nullptr, db.get());
    q.SQLAdd(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    q.SetUniDirectional(true);
    q.Open();
    EXPECT_EQ(q.RecordCount(), 2);
    q.Next();
    EXPECT_EQ(q.FieldByName(QStringLiteral("LfdNr")).AsInteger(), 2);
    EXPECT_THROW(q.Prior(), EDatabaseError);
    EXPECT_THROW(q.Last(), EDatabaseError);
    EXPECT_THROW(q.Locate(QStringLiteral("LfdNr"), 1), EDatabaseError);
}

TEST_F(DatabaseTest, OpeningAnOpenQueryChangesNothing) {
    stage(2);
    auto q = live(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    q->Next();
    int opens = 0;
    q->AfterOpen = [&](TQuery&) { ++opens; };
    q->Open();
    EXPECT_EQ(opens, 0);
    EXPECT_EQ(q->RecNo(), 2);
}

// ---- editing

TEST_F(DatabaseTest, NewRowsGetNumbersThatAreNeverGivenAgain) {
    const int a = addCustomer(QStringLiteral("A"));
    const int b = addCustomer(QStringLiteral("B"));
    EXPECT_GT(b, a);
    {
        auto q = live(QStringLiteral("select * from \"Kunden.db\" order by KundenNr"));
        q->Last();
        q->Delete();
    }
    db.reset();
    db = std::make_unique<Database>(path(), ProgramDatabaseSchema());
    const int c = addCustomer(QStringLiteral("C"));
    EXPECT_GT(c, b);
}

TEST_F(DatabaseTest, PostWritesAndCancelRestores) {
    addCustomer(QStringLiteral("Alt"));
    auto q = live(QStringLiteral("select * from \"Kunden.db\""));
    q->Edit();
    EXPECT_EQ(q->State(), TDataSetState::dsEdit);
    q->FieldByName(QStringLiteral("Name1")).SetAsString(QStringLiteral("Zwischen"));
    q->Cancel();
    EXPECT_EQ(q->FieldByName(QStringLiteral("Name1")).AsString(), QStringLiteral("Alt"));
    q->Edit();
    q->FieldByName(QStringLiteral("Name1")).SetAsString(QStringLiteral("Neu"));
    q->Post();
    EXPECT_EQ(q->State(), TDataSetState::dsBrowse);
    auto again = live(QStringLiteral("select * from \"Kunden.db\""));
    EXPECT_EQ(again->FieldByName(QStringLiteral("Name1")).AsString(), QStringLiteral("Neu"));
}

TEST_F(DatabaseTest, CancelledInsertLeavesNoRowAndReturnsToThePosition) {
    stage(3);
    auto q = live(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    q->Next();
    q->Insert();
    EXPECT_EQ(q->RecordCount(), 4);
    EXPECT_EQ(q->RecNo(), 2);
    q->Cancel();
    EXPECT_EQ(q->RecordCount(), 3);
    EXPECT_EQ(q->FieldByName(QStringLiteral("LfdNr")).AsInteger(), 2);
    q->Append();
    q->Cancel();
    EXPECT_EQ(count(QStringLiteral("Uebernah.db")), 3);
}

TEST_F(DatabaseTest, MovingPostsAChangedRowAndDropsAnUnchangedNewOne) {
    stage(2);
    auto q = live(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    q->Edit();
    q->FieldByName(QStringLiteral("Pruefer")).SetAsString(QStringLiteral("Meier"));
    q->Next();
    EXPECT_EQ(q->State(), TDataSetState::dsBrowse);
    q->Append();
    q->First();
    EXPECT_EQ(q->RecordCount(), 2);
    auto again = live(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    EXPECT_EQ(again->FieldByName(QStringLiteral("Pruefer")).AsString(), QStringLiteral("Meier"));
}

TEST_F(DatabaseTest, DeletingFromTheFirstRowUntilTheEndEmptiesTheResult) {
    stage(5);
    auto q = live(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    q->Next();
    q->Delete();
    EXPECT_EQ(q->FieldByName(QStringLiteral("LfdNr")).AsInteger(), 3); // the following row
    q->First();
    int deletes = 0;
    while (!q->Eof() && deletes < 10) {
        q->Delete();
        ++deletes;
    }
    EXPECT_EQ(deletes, 4);
    EXPECT_EQ(q->RecordCount(), 0);
    EXPECT_EQ(count(QStringLiteral("Uebernah.db")), 0);
}

TEST_F(DatabaseTest, DeletingTheLastRowStandsAtTheEnd) {
    stage(2);
    auto q = live(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    q->Last();
    q->Delete();
    EXPECT_TRUE(q->Eof());
    EXPECT_EQ(q->FieldByName(QStringLiteral("LfdNr")).AsInteger(), 1);
}

// ---- cached updates

TEST_F(DatabaseTest, ApplyWritesCachedRowsOnceAndGivesThemNumbers) {
    auto q = live(QStringLiteral("select * from \"Pruefung.db\" order by PruefungsNr"));
    q->SetCachedUpdates(true);
    for (int i = 0; i < 3; ++i) {
        q->Append();
        q->FieldByName(QStringLiteral("Schutzleiterwid")).SetAsInteger(100 + i);
        q->Post();
    }
    EXPECT_EQ(count(QStringLiteral("Pruefung.db")), 0);
    EXPECT_EQ(q->FieldByName(QStringLiteral("PruefungsNr")).AsInteger(), 0);
    q->ApplyUpdates();
    EXPECT_EQ(count(QStringLiteral("Pruefung.db")), 3);
    EXPECT_GT(q->FieldByName(QStringLiteral("PruefungsNr")).AsInteger(), 0);
    q->ApplyUpdates();
    EXPECT_EQ(count(QStringLiteral("Pruefung.db")), 3);
    EXPECT_FALSE(q->UpdatesPending());
    q->SetCachedUpdates(false);
    EXPECT_EQ(q->RecordCount(), 3);
}

TEST_F(DatabaseTest, CancelledCacheLeavesTheTableUntouched) {
    stage(2);
    auto q = live(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    q->SetCachedUpdates(true);
    q->Edit();
    q->FieldByName(QStringLiteral("Pruefer")).SetAsString(QStringLiteral("X"));
    q->Post();
    q->Last();
    q->Delete();
    q->Append();
    q->FieldByName(QStringLiteral("LfdNr")).SetAsInteger(7);
    q->Post();
    EXPECT_EQ(lfdNrs(*q), (std::vector<int>{1, 7}));
    q->CancelUpdates();
    EXPECT_EQ(lfdNrs(*q), (std::vector<int>{1, 2}));
    EXPECT_EQ(q->FieldByName(QStringLiteral("Pruefer")).AsString(), QString());
    auto file = live(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    EXPECT_EQ(lfdNrs(*file), (std::vector<int>{1, 2}));
    EXPECT_EQ(file->FieldByName(QStringLiteral("Pruefer")).AsString(), QString());
}

TEST_F(DatabaseTest, LeavingCachedModeDropsWhatWasNotApplied) {
    auto q = live(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    q->SetCachedUpdates(true);
    q->Append();
    q->FieldByName(QStringLiteral("LfdNr")).SetAsInteger(1);
    q->Post();
    q->SetCachedUpdates(false);
    EXPECT_EQ(q->RecordCount(), 0);
    EXPECT_EQ(count(QStringLiteral("Uebernah.db")), 0);
}

TEST_F(DatabaseTest, FailingApplyRollsEverythingBackAndKeepsTheCache) {
    stage(1);
    db->Execute(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON \"Uebernah.db\" WHEN NEW.LfdNr = 4 "
                               "BEGIN SELECT RAISE(ABORT, 'kein Platz'); END"));
    auto q = live(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    q->SetCachedUpdates(true);
    q->Delete();
    for (int i = 2; i <= 5; ++i) {
        q->Append();
        q->FieldByName(QStringLiteral("LfdNr")).SetAsInteger(i);
        q->Post();
    }
    EXPECT_THROW(q->ApplyUpdates(), EDatabaseError);
    auto file = live(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    EXPECT_EQ(lfdNrs(*file), (std::vector<int>{1}));
    EXPECT_TRUE(q->UpdatesPending());

    db->Execute(QStringLiteral("DROP TRIGGER refuse"));
    q->ApplyUpdates();
    file->Close();
    file->Open();
    EXPECT_EQ(lfdNrs(*file), (std::vector<int>{2, 3, 4, 5}));
}

TEST_F(DatabaseTest, ApplyAfterAFailureGivesNoNumberTwice) {
    db->Execute(
        QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON \"Pruefung.db\" WHEN NEW.Messablauf = 9 "
                       "BEGIN SELECT RAISE(ABORT, 'nein'); END"));
    auto q = live(QStringLiteral("select * from \"Pruefung.db\" order by PruefungsNr"));
    q->SetCachedUpdates(true);
    q->Append();
    q->Post();
    q->Append();
    q->FieldByName(QStringLiteral("Messablauf")).SetAsInteger(9);
    q->Post();
    EXPECT_THROW(q->ApplyUpdates(), EDatabaseError);
    q->Edit();
    q->FieldByName(QStringLiteral("Messablauf")).SetAsInteger(1);
    q->Post();
    q->ApplyUpdates();
    q->First();
    const int first = q->FieldByName(QStringLiteral("PruefungsNr")).AsInteger();
    q->Next();
    EXPECT_EQ(q->FieldByName(QStringLiteral("PruefungsNr")).AsInteger(), first + 1);
    EXPECT_EQ(count(QStringLiteral("Pruefung.db")), 2);
}

// ---- transactions over several queries

TEST_F(DatabaseTest, RolledBackTransactionLeavesTheFileAsItWas) {
    stage(2);
    EXPECT_THROW(db->RunAtomically([&] {
        auto tests = live(QStringLiteral("select * from \"Pruefung.db\""));
        tests->Append();
        tests->Post();
        auto staging = live(QStringLiteral("select * from \"Uebernah.db\""));
        staging->Delete();
        throw EDatabaseError(QStringLiteral("halt"));
    }),
                 EDatabaseError);
    EXPECT_EQ(count(QStringLiteral("Pruefung.db")), 0);
    EXPECT_EQ(count(QStringLiteral("Uebernah.db")), 2);

    db->RunAtomically([&] {
        auto staging = live(QStringLiteral("select * from \"Uebernah.db\""));
        staging->Delete();
    });
    EXPECT_EQ(count(QStringLiteral("Uebernah.db")), 1);
}

TEST_F(DatabaseTest, RunAtomicallyKeepsNothingOfAFailure) {
    stage(3);
    EXPECT_THROW(db->RunAtomically([&] {
        auto staging = live(QStringLiteral("select * from \"Uebernah.db\""));
        staging->Delete();
        staging->Delete();
        throw EDatabaseError(QStringLiteral("halt"));
    }),
                 EDatabaseError);
    EXPECT_EQ(count(QStringLiteral("Uebernah.db")), 3);
}

TEST_F(DatabaseTest, MovingARowBetweenTablesIsAllOrNothing) {
    stage(2);
    db->Execute(QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON \"Uebernah.db\" WHEN OLD.LfdNr = 2 "
                               "BEGIN SELECT RAISE(ABORT, 'gesperrt'); END"));
    auto staging = live(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    auto tests = live(QStringLiteral("select * from \"Pruefung.db\" order by PruefungsNr"));
    db->RunAtomically([&] {
        while (!staging->Eof()) {
            try {
                db->RunAtomically([&] {
                    tests->Append();
                    tests->FieldByName(QStringLiteral("Messablauf"))
                        .SetAsInteger(staging->FieldByName(QStringLiteral("LfdNr")).AsInteger());
                    tests->Post();
                    staging->Delete();
                });
            } catch (const EDatabaseError&) {
                tests->Cancel();
                staging->Next();
            }
        }
    });
    EXPECT_EQ(count(QStringLiteral("Pruefung.db")), 1);
    EXPECT_EQ(lfdNrs(*staging), (std::vector<int>{2}));
    auto file = live(QStringLiteral("select * from \"Uebernah.db\""));
    EXPECT_EQ(lfdNrs(*file), (std::vector<int>{2}));
}

// Rows a query dropped inside a unit that failed are shown again, whether an inner unit failed
// while the outer one goes on or the outer one failed after the inner one was done.
TEST_F(DatabaseTest, AQueryThatDeletedInAFailedUnitShowsTheFileAgain) {
    stage(3);
    auto staging = live(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    staging->Next();
    std::vector<int> afterInnerFailure;
    EXPECT_THROW(db->RunAtomically([&] {
        try {
            db->RunAtomically([&] {
                staging->Delete();
                throw EDatabaseError(QStringLiteral("halt"));
            });
        } catch (const EDatabaseError&) {
        }
        afterInnerFailure = lfdNrs(*staging);
        db->RunAtomically([&] { staging->Delete(); });
        throw EDatabaseError(QStringLiteral("halt"));
    }),
                 EDatabaseError);
    EXPECT_EQ(afterInnerFailure, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(lfdNrs(*staging), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(count(QStringLiteral("Uebernah.db")), 3);
    EXPECT_EQ(staging->State(), TDataSetState::dsBrowse);
    EXPECT_FALSE(staging->Eof());
}

// A query that wrote in a failed unit and then cannot be read again is closed: the failure on its
// way tells why the list shows nothing although the file holds the rows.
TEST_F(DatabaseTest, AQueryThatCannotBeReadAgainIsClosedAndTheFailureSaysSo) {
    stage(2);
    bool refuse = false;
    sqlite3_create_function(
        db->Handle(), "readable", 0, SQLITE_UTF8, &refuse,
        [](sqlite3_context* c, int, sqlite3_value**) {
            if (*static_cast<bool*>(sqlite3_user_data(c)))
                sqlite3_result_error(c, "nicht lesbar", -1);
            else
                sqlite3_result_int(c, 1);
        },
        nullptr, nullptr);
    auto staging = live(QStringLiteral("select * from \"Uebernah.db\" where readable() order by LfdNr"));
    QString text;
    try {
        db->RunAtomically([&] {
            staging->Delete();
            refuse = true;
            throw EDatabaseError(QStringLiteral("halt"), true);
        });
    } catch (const EDatabaseError& e) {
        text = e.Message();
        EXPECT_TRUE(e.OfTheFile());
    }
    EXPECT_TRUE(
        text.startsWith(QStringLiteral("halt\nDie Liste konnte nicht neu gelesen werden und bleibt leer, "
                                       "bis sie wieder geöffnet wird: Fehler in der Datenbankdatei")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("Meldung der Datenbank: nicht lesbar"))) << text.toStdString();
    EXPECT_FALSE(staging->Active());
    EXPECT_EQ(count(QStringLiteral("Uebernah.db")), 2);
}

// ---- bookmarks and bound controls

TEST_F(DatabaseTest, BookmarksComeBackToTheirRow) {
    stage(3);
    auto q = live(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    q->Next();
    TBookmark mark = q->GetBookmark();
    q->Last();
    q->GotoBookmark(mark);
    EXPECT_EQ(q->FieldByName(QStringLiteral("LfdNr")).AsInteger(), 2);
    q->Delete();
    EXPECT_FALSE(q->BookmarkValid(mark));
    EXPECT_THROW(q->GotoBookmark(mark), EDatabaseError);
    q->FreeBookmark(mark);
    EXPECT_FALSE(mark.valid());
}

TEST_F(DatabaseTest, DisabledControlsHearOfChangesOnceWhenEnabled) {
    stage(3);
    auto q = live(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    int changes = 0;
    QObject::connect(q.get(), &TQuery::DataChanged, [&] { ++changes; });
    q->DisableControls();
    q->DisableControls();
    q->Next();
    q->Next();
    q->EnableControls();
    EXPECT_EQ(changes, 0);
    q->EnableControls();
    EXPECT_EQ(changes, 1);
    q->First();
    EXPECT_EQ(changes, 2);
}

// ---- events

TEST_F(DatabaseTest, EventsRunInTheirOrder) {
    stage(2);
    TQuery q(nullptr, db.get());
    q.SQLAdd(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    q.SetRequestLive(true);
    std::vector<std::string> log;
    q.AfterOpen = [&](TQuery&) { log.push_back("open"); };
    q.AfterScroll = [&](TQuery& d) {
        log.push_back("scroll" + std::to_string(d.FieldByName(QStringLiteral("LfdNr")).AsInteger()));
    };
    q.BeforeDelete = [&](TQuery&) { log.push_back("beforeDelete"); };
    q.AfterDelete = [&](TQuery&) { log.push_back("afterDelete"); };
    q.AfterInsert = [&](TQuery&) { log.push_back("insert"); };
    q.BeforePost = [&](TQuery&) { log.push_back("beforePost"); };
    q.Open();
    q.Delete();
    q.Append();
    q.Post();
    EXPECT_EQ(log, (std::vector<std::string>{"open", "scroll1", "beforeDelete", "afterDelete", "scroll2",
                                             "insert", "beforePost"}));
}

TEST_F(DatabaseTest, AfterInsertMayCancelTheNewRow) {
    auto q = live(QStringLiteral("select * from \"Uebernah.db\""));
    q->AfterInsert = [](TQuery& d) {
        if (!d.CachedUpdates())
            d.Cancel();
    };
    q->Append();
    EXPECT_EQ(q->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(q->RecordCount(), 0);
    q->SetCachedUpdates(true);
    q->Append();
    EXPECT_EQ(q->State(), TDataSetState::dsInsert);
}

TEST_F(DatabaseTest, ThrowingBeforePostOrBeforeDeleteStopsTheWrite) {
    stage(1);
    auto q = live(QStringLiteral("select * from \"Uebernah.db\""));
    q->BeforePost = [](TQuery&) { throw EDatabaseError(QStringLiteral("nein")); };
    q->BeforeDelete = [](TQuery&) { throw EDatabaseError(QStringLiteral("nein")); };
    q->Edit();
    q->FieldByName(QStringLiteral("Pruefer")).SetAsString(QStringLiteral("X"));
    EXPECT_THROW(q->Post(), EDatabaseError);
    EXPECT_EQ(q->State(), TDataSetState::dsEdit);
    q->Cancel();
    EXPECT_THROW(q->Delete(), EDatabaseError);
    EXPECT_EQ(count(QStringLiteral("Uebernah.db")), 1);
}

TEST_F(DatabaseTest, DeleteKeepsWhatItsBeforeDeleteHandlerDeletedOnlyTogetherWithTheRow) {
    const int customer = addCustomer(QStringLiteral("A"));
    addDevice(customer, QStringLiteral("1"));
    addDevice(customer, QStringLiteral("2"));
    auto customers = live(QStringLiteral("select * from \"Kunden.db\""));
    auto devices = live(QStringLiteral("select * from \"Prueflng.db\""));
    bool failLate = true;
    customers->BeforeDelete = [&](TQuery&) {
        devices->First();
        devices->Delete();
        if (failLate)
            throw EDatabaseError(QStringLiteral("nein"));
        while (!devices->Eof() && devices->RecordCount() > 0)
            devices->Delete();
    };
    EXPECT_THROW(customers->Delete(), EDatabaseError);
    EXPECT_EQ(count(QStringLiteral("Prueflng.db")), 2);
    EXPECT_EQ(count(QStringLiteral("Kunden.db")), 1);

    failLate = false;
    devices->Close();
    devices->Open();
    customers->Delete();
    EXPECT_EQ(count(QStringLiteral("Prueflng.db")), 0);
    EXPECT_EQ(count(QStringLiteral("Kunden.db")), 0);
}

TEST_F(DatabaseTest, ValidationSeesTheNewValueAndMayRefuseIt) {
    stage(1);
    TQuery q(nullptr, db.get());
    q.SQLAdd(QStringLiteral("select * from \"Uebernah.db\""));
    q.SetRequestLive(true);
    TField& barcode = q.AddField(QStringLiteral("Barcode"), TFieldType::ftString, 15);
    barcode.OnValidate = [&](TField& f) {
        if (f.AsString() == QLatin1String("bad"))
            throw EDatabaseError(QStringLiteral("refused"));
        f.DataSet().FieldByName(QStringLiteral("PrueflingNr")).SetAsInteger(f.AsString().size());
    };
    q.Open();
    q.Edit();
    barcode.SetAsString(QStringLiteral("1234"));
    EXPECT_EQ(q.FieldByName(QStringLiteral("PrueflingNr")).AsInteger(), 4);
    EXPECT_THROW(barcode.SetAsString(QStringLiteral("bad")), EDatabaseError);
    EXPECT_EQ(barcode.AsString(), QStringLiteral("1234"));
}

TEST_F(DatabaseTest, CalculatedFieldsAndDisplayTexts) {
    stage(2);
    TQuery q(nullptr, db.get());
    q.SQLAdd(QStringLiteral("select * from \"Uebernah.db\" order by LfdNr"));
    q.SetRequestLive(true);
    q.AddCalcField(QStringLiteral("DINVDE"), TFieldType::ftSmallint);
    int calcs = 0;
    q.OnCalcFields = [&](TQuery& d) {
        ++calcs;
        d.FieldByName(QStringLiteral("DINVDE"))
            .SetAsInteger((d.FieldByName(QStringLiteral("Menueflags")).AsInteger() & 2) ? 2 : 1);
    };
    q.SetAutoCalcFields(false);
    q.Open();
    EXPECT_EQ(calcs, 2);
    q.FieldByName(QStringLiteral("DINVDE")).OnGetText = [](TField& f) {
        return f.AsInteger() == 2 ? QStringLiteral("0702") : QStringLiteral("0701");
    };
    EXPECT_EQ(q.FieldByName(QStringLiteral("DINVDE")).DisplayText(), QStringLiteral("0701"));
    EXPECT_THROW(q.FieldByName(QStringLiteral("DINVDE")).SetAsInteger(2), EDatabaseError);

    q.Edit();
    q.FieldByName(QStringLiteral("Menueflags")).SetAsInteger(2);
    EXPECT_EQ(q.FieldByName(QStringLiteral("DINVDE")).AsInteger(), 1); // only when rows are read
    q.Post();
    EXPECT_EQ(q.FieldByName(QStringLiteral("DINVDE")).DisplayText(), QStringLiteral("0702"));
    q.WithRow(1, [&] { EXPECT_EQ(q.FieldByName(QStringLiteral("DINVDE")).AsInteger(), 1); });

    q.Close();
    q.SetAutoCalcFields(true);
    q.Open();
    q.Next();
    q.Edit();
    q.FieldByName(QStringLiteral("Menueflags")).SetAsInteger(2);
    EXPECT_EQ(q.FieldByName(QStringLiteral("DINVDE")).AsInteger(), 2);
}

TEST_F(DatabaseTest, DeclaredFieldsKeepTheirEventsAcrossReopening) {
    stage(1);
    TQuery q(nullptr, db.get());
    q.SQLAdd(QStringLiteral("select * from \"Uebernah.db\""));
    TField& nr = q.AddField(QStringLiteral("PrueflingNr"), TFieldType::ftInteger);
    nr.OnGetText = [](TField& f) { return f.AsInteger() ? QStringLiteral("ja") : QStringLiteral("nein"); };
    q.Open();
    EXPECT_EQ(&q.FieldByName(QStringLiteral("PrueflingNr")), &nr);
    EXPECT_EQ(nr.DisplayText(), QStringLiteral("nein"));
    q.Close();
    EXPECT_EQ(nr.AsInteger(), 0);
    q.Open();
    EXPECT_EQ(nr.DisplayText(), QStringLiteral("nein"));
}

} // namespace
