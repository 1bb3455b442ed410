#include "records/StagingTable.h"

#include "platform/database.h"
#include "platform/query.h"
#include "records/ProgramDatabase.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using platform::Database;
using platform::TQuery;

namespace {

class StagingTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        db = std::make_unique<Database>(dir.filePath(QStringLiteral("Pruefdaten.sqlite")),
                                        ProgramDatabaseSchema());
        Database::SetCurrent(db.get());
    }
    void TearDown() override {
        Database::SetCurrent(nullptr);
        db.reset();
    }

    int32_t scalar(const QString& sql) {
        TQuery q(nullptr, db.get());
        q.SQLAdd(sql);
        q.Open();
        return q.FieldByName(QStringLiteral("N")).AsInteger();
    }
    int32_t addDevice(int32_t kunde, const QString& barcode) {
        TQuery q(nullptr, db.get());
        q.SQLAdd(QStringLiteral("select * from \"Prueflng.db\""));
        q.SetRequestLive(true);
        q.Open();
        q.Append();
        q.FieldByName(QStringLiteral("KundenNr")).SetAsInteger(kunde);
        q.FieldByName(QStringLiteral("Barcode")).SetAsString(barcode);
        q.Post();
        return q.FieldByName(QStringLiteral("PrueflingNr")).AsInteger();
    }
    TStagingRow row(int lfdNr, const QString& barcode, int32_t prueflingNr = 0) {
        TStagingRow r;
        r.LfdNr = lfdNr;
        r.Barcode = barcode;
        r.PrueflingNr = prueflingNr;
        r.Datum = QDate(2024, 3, 10 + lfdNr);
        r.GTSeriennummer = QStringLiteral("1234567890");
        r.Grenzwertflags = 0x05;
        r.Menueflags = 0x46;
        r.Schutzklasse = 2;
        r.Sichtpruef = 1;
        r.Messablauf = 0x40;
        r.Schutzleiterwid = 100 + lfdNr;
        r.Isolationswid = 2500;
        r.Ableitstrom = 31;
        r.SchutzlStromL1N = 40;
        r.SchutzlStromNL1 = -1;
        r.BeruehrungsstromL1N = 5;
        r.BeruehrungsstromNL1 = 6;
        r.GrwSchutzleiterwid = 300;
        r.GrwIsolationswid = 1000;
        r.GrwAbleitstrom = 350;
        r.GrwSchutzleiterstrom = 50;
        r.GrwBeruehrungsstrom = 25;
        r.GrwSchnellabschaltung = 1000;
        r.Pruefungsergebnis = true;
        r.Notiz = QStringLiteral("Notiz %1").arg(lfdNr);
        r.Pruefer = QStringLiteral("Meier");
        return r;
    }
    // Stages rows through the sink as a fetch does.
    void stage(const std::vector<TStagingRow>& rows) {
        TQuery q(nullptr, db.get());
        DefineStagingQuery(q);
        q.Open();
        TStagingQuerySink sink(q);
        sink.BeginRun();
        for (const TStagingRow& r : rows)
            ASSERT_TRUE(sink.Append(r));
        QString reason;
        ASSERT_TRUE(sink.Commit(reason)) << reason.toStdString();
        sink.EndRun();
    }

    QTemporaryDir dir;
    std::unique_ptr<Database> db;
};

TEST_F(StagingTableTest, FindPrueflingNrBindsTheBarcodeAndNeverMatchesAnEmptyOne) {
    addDevice(1, QString());
    const int32_t a = addDevice(1, QStringLiteral("4711"));
    const int32_t quote = addDevice(1, QStringLiteral("12\"3' or 1=1"));
    EXPECT_EQ(FindPrueflingNr(*db, QStringLiteral("4711")), a);
    EXPECT_EQ(FindPrueflingNr(*db, QStringLiteral("12\"3' or 1=1")), quote);
    EXPECT_EQ(FindPrueflingNr(*db, QStringLiteral("\" or \"\"=\"")), 0);
    EXPECT_EQ(FindPrueflingNr(*db, QStringLiteral("0815")), 0);
    EXPECT_EQ(FindPrueflingNr(*db, QString()), 0);
}

TEST_F(StagingTableTest, BarcodeTakenOnlyForANonEmptyBarcodeOfAnotherDevice) {
    addDevice(1, QString());
    addDevice(1, QStringLiteral("4711"));
    EXPECT_TRUE(PrueflingBarcodeTaken(*db, QStringLiteral("4711")));
    EXPECT_FALSE(PrueflingBarcodeTaken(*db, QStringLiteral("47111")));
    EXPECT_FALSE(PrueflingBarcodeTaken(*db, QString()));
    EXPECT_FALSE(PrueflingBarcodeTaken(*db, QStringLiteral("\" or 1=1 or \"")));
}

TEST_F(StagingTableTest, SinkHoldsRowsBackUntilCommit) {
    TQuery q(nullptr, db.get());
    DefineStagingQuery(q);
    q.Open();
    TStagingQuerySink sink(q);
    sink.BeginRun();
    ASSERT_TRUE(sink.Append(row(1, QStringLiteral("1"))));
    ASSERT_TRUE(sink.Append(row(2, QStringLiteral("2"))));
    EXPECT_EQ(q.RecordCount(), 2);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) as N from \"Uebernah.db\"")), 0);
    sink.EndRun();
    EXPECT_EQ(q.RecordCount(), 0);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) as N from \"Uebernah.db\"")), 0);
}

TEST_F(StagingTableTest, CommittedRowsHoldEveryField) {
    const int32_t device = addDevice(3, QStringLiteral("77"));
    stage({row(1, QStringLiteral("77"), device), row(2, QStringLiteral("0123456789ABCDEF"))});
    TQuery q(nullptr, db.get());
    DefineStagingQuery(q);
    q.Open();
    ASSERT_EQ(q.RecordCount(), 2);
    EXPECT_EQ(q.FieldByName(QStringLiteral("PrueflingNr")).AsInteger(), device);
    EXPECT_EQ(q.FieldByName(QStringLiteral("Datum")).AsDate(), QDate(2024, 3, 11));
    EXPECT_EQ(q.FieldByName(QStringLiteral("GT-Seriennummer")).AsString(), "1234567890");
    EXPECT_EQ(q.FieldByName(QStringLiteral("SchutzlStromNL1")).AsInteger(), -1);
    EXPECT_EQ(q.FieldByName(QStringLiteral("Menueflags")).AsInteger(), 0x46);
    EXPECT_TRUE(q.FieldByName(QStringLiteral("Pruefungsergebnis")).AsBoolean());
    EXPECT_EQ(q.FieldByName(QStringLiteral("Pruefer")).AsString(), "Meier");
    q.Next();
    EXPECT_EQ(q.FieldByName(QStringLiteral("Barcode")).AsString(), "0123456789ABCDE");
    EXPECT_EQ(q.FieldByName(QStringLiteral("PrueflingNr")).AsInteger(), 0);
}

TEST_F(StagingTableTest, WalkRematchesBarcodesAndKeepsRowsWithoutOne) {
    stage({row(1, QStringLiteral("77")), row(2, QString(), 9), row(3, QStringLiteral("88"), 5)});
    const int32_t device = addDevice(3, QStringLiteral("77"));
    TQuery q(nullptr, db.get());
    DefineStagingQuery(q);
    q.AfterScroll = [](TQuery& s) { RematchStagingRow(s); };
    q.Open();
    q.Last();
    WalkStagingRows(q);
    EXPECT_EQ(q.FieldByName(QStringLiteral("LfdNr")).AsInteger(), 3); // back on the row it stood on
    auto nr = [&](int lfd) {
        return scalar(
            QStringLiteral("select PrueflingNr as N from \"Uebernah.db\" where LfdNr = %1").arg(lfd));
    };
    EXPECT_EQ(nr(1), device);
    EXPECT_EQ(nr(2), 9);
    EXPECT_EQ(nr(3), 0); // no device carries 88 any more
}

TEST_F(StagingTableTest, TakeOverMovesAssignedRowsWithTheirFields) {
    stage({row(1, QStringLiteral("1"), 4), row(2, QStringLiteral("2")), row(3, QStringLiteral("3"), 5),
           row(4, QStringLiteral("4")), row(5, QStringLiteral("5"), 6)});
    // A test number is never reused, even after the test is gone.
    db->Execute(QStringLiteral("insert into \"Pruefung.db\" (PrueflingNr) values (1)"));
    db->Execute(QStringLiteral("delete from \"Pruefung.db\""));
    TQuery staging(nullptr, db.get()), test(nullptr, db.get());
    DefineStagingQuery(staging);
    DefineTestQuery(test);
    staging.Open();
    test.Open();
    EXPECT_EQ(TakeOverAssignedRows(*db, staging, test), 3);
    EXPECT_EQ(staging.RecordCount(), 2);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) as N from \"Uebernah.db\" where PrueflingNr = 0")), 2);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) as N from \"Uebernah.db\"")), 2);

    TQuery t(nullptr, db.get());
    t.SQLAdd(QStringLiteral("select * from \"Pruefung.db\" order by PruefungsNr"));
    t.Open();
    ASSERT_EQ(t.RecordCount(), 3);
    const int expectedDevice[] = {4, 5, 6};
    const int lfd[] = {1, 3, 5};
    int32_t lastNr = 1;
    for (int i = 0; i < 3; ++i, t.Next()) {
        SCOPED_TRACE(i);
        EXPECT_GT(t.FieldByName(QStringLiteral("PruefungsNr")).AsInteger(), lastNr);
        lastNr = t.FieldByName(QStringLiteral("PruefungsNr")).AsInteger();
        EXPECT_EQ(t.FieldByName(QStringLiteral("PrueflingNr")).AsInteger(), expectedDevice[i]);
        EXPECT_EQ(t.FieldByName(QStringLiteral("Datum")).AsDate(), QDate(2024, 3, 10 + lfd[i]));
        EXPECT_EQ(t.FieldByName(QStringLiteral("Notiz")).AsString(), QStringLiteral("Notiz %1").arg(lfd[i]));
        EXPECT_EQ(t.FieldByName(QStringLiteral("Pruefer")).AsString(), "Meier");
        EXPECT_EQ(t.FieldByName(QStringLiteral("GT-Seriennummer")).AsString(), "1234567890");
        EXPECT_EQ(t.FieldByName(QStringLiteral("Schutzleiterwid")).AsInteger(), 100 + lfd[i]);
        EXPECT_EQ(t.FieldByName(QStringLiteral("SchutzlStromNL1")).AsInteger(), -1);
        EXPECT_EQ(t.FieldByName(QStringLiteral("GrwSchnellabschaltung")).AsInteger(), 1000);
        EXPECT_EQ(t.FieldByName(QStringLiteral("Sichtpruef")).AsInteger(), 1);
        EXPECT_EQ(t.FieldByName(QStringLiteral("Messablauf")).AsInteger(), 0x40);
        EXPECT_EQ(t.FieldByName(QStringLiteral("Grenzwertflags")).AsInteger(), 0x05);
        EXPECT_TRUE(t.FieldByName(QStringLiteral("Pruefungsergebnis")).AsBoolean());
    }
}

TEST_F(StagingTableTest, TakeOverOfNothingAssignedChangesNothing) {
    stage({row(1, QStringLiteral("1")), row(2, QStringLiteral("2"))});
    TQuery staging(nullptr, db.get()), test(nullptr, db.get());
    DefineStagingQuery(staging);
    DefineTestQuery(test);
    staging.Open();
    test.Open();
    EXPECT_EQ(TakeOverAssignedRows(*db, staging, test), 0);
    EXPECT_EQ(staging.RecordCount(), 2);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) as N from \"Pruefung.db\"")), 0);
}

TEST_F(StagingTableTest, ARowWhoseRemovalFailsIsNeitherDoubledNorLost) {
    stage({row(1, QStringLiteral("1"), 4), row(2, QStringLiteral("2"), 5), row(3, QStringLiteral("3"), 6)});
    db->Execute(QStringLiteral("create trigger keep_two before delete on \"Uebernah.db\" when old.LfdNr = 2 "
                               "begin select raise(abort, 'gesperrt'); end"));
    TQuery staging(nullptr, db.get()), test(nullptr, db.get());
    DefineStagingQuery(staging);
    DefineTestQuery(test);
    staging.Open();
    test.Open();
    EXPECT_EQ(TakeOverAssignedRows(*db, staging, test), 2);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) as N from \"Pruefung.db\"")), 2);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) as N from \"Pruefung.db\" where PrueflingNr = 5")), 0);
    EXPECT_EQ(scalar(QStringLiteral("select LfdNr as N from \"Uebernah.db\"")), 2);
    EXPECT_EQ(staging.RecordCount(), 1);
    EXPECT_EQ(test.RecordCount(), 2); // the test query holds no row the file lacks
    // A second take-over, once the lock is gone, moves it exactly once.
    db->Execute(QStringLiteral("drop trigger keep_two"));
    EXPECT_EQ(TakeOverAssignedRows(*db, staging, test), 1);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) as N from \"Pruefung.db\" where PrueflingNr = 5")), 1);
}

TEST_F(StagingTableTest, AssignByHandSetsDeviceAndItsBarcode) {
    stage({row(1, QStringLiteral("1"))});
    TQuery q(nullptr, db.get());
    DefineStagingQuery(q);
    q.Open();
    AssignStagingRow(q, 12, QString());
    EXPECT_EQ(scalar(QStringLiteral("select PrueflingNr as N from \"Uebernah.db\"")), 12);
    EXPECT_EQ(scalar(QStringLiteral("select length(coalesce(Barcode, '')) as N from \"Uebernah.db\"")), 0);
}

} // namespace
