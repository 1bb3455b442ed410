#include "records/ProgramDatabase.h"

#include "platform/database.h"
#include "platform/query.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <string>

using platform::Database;
using platform::TQuery;

namespace {

using Columns = std::map<std::string, std::string>; // name -> declared type, " key" for the key

Columns columnsInFile(Database& db, const char* table) {
    TQuery q(nullptr, &db);
    q.SQLAdd(QStringLiteral("PRAGMA table_info(\"%1\")").arg(QLatin1String(table)));
    q.Open();
    Columns columns;
    for (; !q.Eof(); q.Next())
        columns[q.FieldByName(QStringLiteral("name")).AsString().toStdString()] =
            q.FieldByName(QStringLiteral("type")).AsString().toStdString() +
            (q.FieldByName(QStringLiteral("pk")).AsInteger() ? " key" : "");
    return columns;
}

std::string declaredType(const TWerteSatzField& f) {
    switch (f.Store) {
    case TFieldStore::AutoInc:
        return "INTEGER key";
    case TFieldStore::Integer:
        return "INTEGER";
    case TFieldStore::Smallint:
        return "SMALLINT";
    case TFieldStore::Boolean:
        return "BOOLEAN";
    case TFieldStore::Date:
        return "DATE";
    case TFieldStore::Varchar:
        return "VARCHAR(" + std::to_string(f.Width) + ")";
    case TFieldStore::None:
        break;
    }
    return "no type";
}

template <size_t N> Columns columnsOfFields(const std::array<const TWerteSatzField*, N>& fields) {
    Columns columns;
    for (const TWerteSatzField* f : fields)
        columns[f->Name] = declaredType(*f);
    return columns;
}

// A field stored in a table needs its column in the schema, and a column its field: adding
// one to the field table alone fails here until the schema gets a version that adds it.
TEST(ProgramDatabase, TestAndStagingTablesHoldExactlyTheStoredFieldsOfTheRecord) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Database db(dir.filePath(QStringLiteral("Pruefdaten.sqlite")), ProgramDatabaseSchema());
    EXPECT_EQ(columnsInFile(db, "Pruefung.db"), columnsOfFields(PruefungColumns));
    EXPECT_EQ(columnsInFile(db, "Uebernah.db"), columnsOfFields(UebernahColumns));
}

} // namespace
