#include "records/ProgramDatabase.h"

namespace {

// The customer and device tables as the program expects them; the test and staging tables
// follow from the record's fields. Auto-increment numbers use AUTOINCREMENT so that a number
// once given is never given again, not even after the highest row was deleted.
const char* const schemaV1 = R"(
CREATE TABLE "Kunden.db" ("KundenNr" INTEGER PRIMARY KEY AUTOINCREMENT, "Name1" VARCHAR(25),
    "Name2" VARCHAR(25), "Name3" VARCHAR(25), "KdStr" VARCHAR(25), "KdLKZ" VARCHAR(3), "KdPLZ" VARCHAR(5),
    "KdOrt" VARCHAR(25), "Telefon" VARCHAR(25), "Fax" VARCHAR(25));
CREATE TABLE "Prueflng.db" ("PrueflingNr" INTEGER PRIMARY KEY AUTOINCREMENT, "KundenNr" INTEGER,
    "Bezeichnung" VARCHAR(25), "Typ" VARCHAR(25), "Inventarnummer" VARCHAR(15),
    "Fabrikationsnummer" VARCHAR(15), "Seriennummer" VARCHAR(15), "Barcode" VARCHAR(15));
)";

// The indexes, after the tables.
const char* const indexesV1 = R"(CREATE INDEX "Prueflng_KundenNr" ON "Prueflng.db" ("KundenNr");
CREATE INDEX "Prueflng_Barcode" ON "Prueflng.db" ("Barcode");
CREATE INDEX "Pruefung_PrueflingNr" ON "Pruefung.db" ("PrueflingNr");
CREATE INDEX "Uebernah_LfdNr" ON "Uebernah.db" ("LfdNr");)";

QString sqlType(const TWerteSatzField& f) {
    switch (f.Store) {
    case TFieldStore::AutoInc:
        return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    case TFieldStore::Smallint:
        return QStringLiteral("SMALLINT");
    case TFieldStore::Boolean:
        return QStringLiteral("BOOLEAN");
    case TFieldStore::Date:
        return QStringLiteral("DATE");
    case TFieldStore::Varchar:
        return QStringLiteral("VARCHAR(%1)").arg(f.Width);
    case TFieldStore::Integer:
    case TFieldStore::None:
        break;
    }
    return QStringLiteral("INTEGER");
}

// The statement that creates a table of the record's fields. Its lines break before column 110,
// as the statement has always been written: a file keeps its statement text, and every file
// should show the same one.
template <size_t N>
QString createTable(const char* table, const std::array<const TWerteSatzField*, N>& columns) {
    constexpr qsizetype lineLimit = 110;
    QString text = QStringLiteral("CREATE TABLE \"%1\" (").arg(QLatin1String(table));
    qsizetype lineStart = 0;
    for (size_t i = 0; i < N; ++i) {
        const QString item =
            QStringLiteral("\"%1\" %2").arg(QLatin1String(columns[i]->Name), sqlType(*columns[i])) +
            (i + 1 < N ? u',' : u')');
        if (i == 0) {
            text += item;
        } else if (text.size() - lineStart + 1 + item.size() > lineLimit) {
            lineStart = text.size() + 1;
            text += QStringLiteral("\n    ") + item;
        } else {
            text += u' ' + item;
        }
    }
    return text + QStringLiteral(";\n");
}

} // namespace

QString ProgramDatabaseFileName() {
    return QStringLiteral("Pruefdaten.sqlite");
}

const platform::TDatabaseSchema& ProgramDatabaseSchema() {
    static const platform::TDatabaseSchema schema{
        1, QString::fromUtf8(schemaV1) + createTable("Pruefung.db", PruefungColumns) +
               createTable("Uebernah.db", UebernahColumns) + QString::fromUtf8(indexesV1)};
    return schema;
}

std::unique_ptr<platform::Database> OpenProgramDatabase(const QString& path) {
    return std::make_unique<platform::Database>(path, ProgramDatabaseSchema());
}

platform::TFieldType FieldTypeOf(TFieldStore store) {
    switch (store) {
    case TFieldStore::AutoInc:
        return platform::TFieldType::ftAutoInc;
    case TFieldStore::Smallint:
        return platform::TFieldType::ftSmallint;
    case TFieldStore::Boolean:
        return platform::TFieldType::ftBoolean;
    case TFieldStore::Date:
        return platform::TFieldType::ftDate;
    case TFieldStore::Varchar:
        return platform::TFieldType::ftString;
    case TFieldStore::Integer:
    case TFieldStore::None:
        break;
    }
    return platform::TFieldType::ftInteger;
}
