#include "platform/cursor.h"
#include "platform/database.h"
#include "platform/query.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <functional>
#include <memory>

using namespace platform;

namespace {

class CursorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        db = std::make_unique<Database>(dir.filePath(QStringLiteral("werte.sqlite")), TDatabaseSchema{});
    }

    QTemporaryDir dir;
    std::unique_ptr<Database> db;
};

// What a read gives: the value as text, or the words of its failure.
QString outcome(const std::function<QString()>& read) {
    try {
        return read();
    } catch (const EDatabaseError& e) {
        return QStringLiteral("Fehler: ") + e.Message();
    }
}

// Every value of every storage class, in a column of every declared type, reads through the cursor
// as a query's field reads it: the same number, truth value, date and text, or the same failure.
TEST_F(CursorTest, EveryValueReadsAsAQueryFieldReadsIt) {
    db->Execute(QStringLiteral("create table Werte (i INTEGER, s SMALLINT, b BOOLEAN, d DATE, v VARCHAR(5), "
                               "t TEXT, u, r REAL)"));
    const char* values[] = {"null",
                            "''",
                            "' '",
                            "0",
                            "1",
                            "-1",
                            "2147483648",
                            "-9223372036854775808",
                            "2.5",
                            "-0.5",
                            "1e300",
                            "' 2 '",
                            "'abc'",
                            "'2024-03-05'",
                            "' 2024-03-05 '",
                            "'2024/03/05'",
                            "'2024-03-05x'",
                            "'-024-03-05'",
                            "'+024-03-05'",
                            "'2024-02-30'",
                            "'2024-13-01'",
                            "'0000-01-01'",
                            "'0001-01-01'",
                            "'20240305'",
                            "'2024-3-5'",
                            "x'3132'",
                            "x'ff'",
                            "cast(x'ff' as text)",
                            "'Müller \"Söhne\"'",
                            "'a' || char(0) || 'b'"};
    for (const char* v : values)
        db->Execute(QStringLiteral("insert into Werte values (%1, %1, %1, %1, %1, %1, %1, %1)")
                        .arg(QLatin1String(v)));
    const QString sql = QStringLiteral("select * from Werte order by rowid");
    TQuery query(nullptr, db.get());
    query.SQLAdd(sql);
    query.Open();
    Cursor cursor(*db, sql);
    ASSERT_EQ(cursor.ColumnCount(), 8);
    int rows = 0;
    for (; cursor.Next(); query.Next(), ++rows) {
        ASSERT_FALSE(query.Eof());
        for (int c = 0; c < cursor.ColumnCount(); ++c) {
            const TField& field = query.FieldByName(cursor.ColumnName(c));
            const QString where =
                QStringLiteral("%1 in %2").arg(QLatin1String(values[rows]), field.FieldName());
            const auto same = [&](const char* what, const std::function<QString()>& byCursor,
                                  const std::function<QString()>& byField) {
                EXPECT_EQ(outcome(byCursor), outcome(byField)) << what << ": " << where.toStdString();
            };
            same(
                "IsNull", [&] { return QString::number(cursor.IsNull(c)); },
                [&] { return QString::number(field.IsNull()); });
            same(
                "AsInteger", [&] { return QString::number(cursor.AsInteger(c)); },
                [&] { return QString::number(field.AsInteger()); });
            same(
                "AsBoolean", [&] { return QString::number(cursor.AsBoolean(c)); },
                [&] { return QString::number(field.AsBoolean()); });
            same(
                "AsDate", [&] { return cursor.AsDate(c).toString(Qt::ISODate); },
                [&] { return field.AsDate().toString(Qt::ISODate); });
            same(
                "AsString", [&] { return cursor.AsString(c); }, [&] { return field.AsString(); });
            same(
                "AsUtf8", [&] { return QString::fromUtf8(cursor.AsUtf8(c)); },
                [&] { return field.AsString(); });
        }
    }
    EXPECT_EQ(rows, int(std::size(values)));
    EXPECT_TRUE(query.Eof());
}

TEST_F(CursorTest, ReadsForwardToTheEndOnceAndOnlyOnARow) {
    db->Execute(QStringLiteral("create table T (n INTEGER); insert into T values (1), (2), (3)"));
    Cursor cursor(*db, QStringLiteral("select n from T order by n"));
    EXPECT_THROW(cursor.AsInteger(0), EDatabaseError);
    for (int n = 1; n <= 3; ++n) {
        ASSERT_TRUE(cursor.Next());
        EXPECT_EQ(cursor.AsInteger(0), n);
        EXPECT_THROW(cursor.AsInteger(1), EDatabaseError);
    }
    EXPECT_FALSE(cursor.Next());
    EXPECT_FALSE(cursor.Next()); // does not start over
    EXPECT_THROW(cursor.Value(0), EDatabaseError);
}

TEST_F(CursorTest, ColumnsAreNamedAsAQueryNamesItsFields) {
    db->Execute(
        QStringLiteral("create table A (Nr INTEGER, Name TEXT); create table B (Nr INTEGER, nr_x DATE); "
                       "insert into A values (1, 'a'); insert into B values (2, null)"));
    Cursor cursor(*db, QStringLiteral("select * from A, B"));
    ASSERT_EQ(cursor.ColumnCount(), 4);
    EXPECT_EQ(cursor.ColumnName(2), QStringLiteral("Nr_1"));
    EXPECT_EQ(cursor.ColumnOf(QStringLiteral("NR")), 0);
    EXPECT_EQ(cursor.ColumnOf(QStringLiteral("nr_1")), 2);
    EXPECT_EQ(cursor.ColumnOf(QStringLiteral("Fehlt")), -1);
    EXPECT_EQ(cursor.ColumnType(1), TFieldType::ftString);
    EXPECT_EQ(cursor.ColumnType(3), TFieldType::ftDate);
    ASSERT_TRUE(cursor.Next());
    EXPECT_EQ(cursor.AsInteger(2), 2);
}

TEST_F(CursorTest, ParametersAreBoundByNameAndEachNeedsAValue) {
    db->Execute(QStringLiteral("create table T (n INTEGER, t TEXT); "
                               "insert into T values (1, 'a\"b'' or 1=1'), (2, 'x'), (3, 'a\"b'' or 1=1')"));
    const QString sql = QStringLiteral("select n from T where t = :Text and n > :Ab order by n");
    {
        Cursor cursor(*db, sql);
        cursor.Bind(QStringLiteral("Text"), QStringLiteral("a\"b' or 1=1"));
        try {
            cursor.Next();
            ADD_FAILURE() << "read without a value for Ab";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Parameter 'Ab' hat keinen Wert."));
        }
    }
    Cursor cursor(*db, sql);
    try {
        cursor.Bind(QStringLiteral("Nix"), 1);
        ADD_FAILURE() << "bound a parameter the text lacks";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Parameter 'Nix' nicht gefunden."));
    }
    cursor.Bind(QStringLiteral("Text"), QStringLiteral("a\"b' or 1=1"));
    cursor.Bind(QStringLiteral("Ab"), 1);
    ASSERT_TRUE(cursor.Next());
    EXPECT_EQ(cursor.AsInteger(0), 3);
    EXPECT_FALSE(cursor.Next());
}

// What it wrote would pass by the units that keep a failed write out of the file.
TEST_F(CursorTest, AStatementThatWritesIsRefused) {
    db->Execute(QStringLiteral("create table T (n INTEGER); insert into T values (1)"));
    EXPECT_THROW(Cursor(*db, QStringLiteral("delete from T returning n")), EDatabaseError);
    EXPECT_THROW(Cursor(*db, QStringLiteral("insert into T values (2)")), EDatabaseError);
    Cursor count(*db, QStringLiteral("select count(*) from T where n = 1"));
    ASSERT_TRUE(count.Next());
    EXPECT_EQ(count.AsInteger(0), 1);
}

// A result far larger than memory should hold passes row by row: the heap does not grow with it.
TEST_F(CursorTest, ALongResultIsNotHeldInMemory) {
    db->Execute(
        QStringLiteral("create table T (t TEXT); with recursive n(i) as (select 1 union all select i + 1 "
                       "from n where i < 20000) insert into T select printf('%0999d', i) from n"));
    const size_t before = mallinfo2().uordblks;
    size_t most = before;
    qint64 bytes = 0;
    Cursor cursor(*db, QStringLiteral("select t from T"));
    while (cursor.Next()) {
        bytes += cursor.AsUtf8(0).size();
        most = std::max(most, size_t(mallinfo2().uordblks));
    }
    EXPECT_EQ(bytes, 20000 * 999);
    EXPECT_LT(most - before, size_t(4) << 20);
}

} // namespace
