#include "records/ProgramDatabase.h"

namespace {

// Version 1 of the tables and their indexes. A file keeps the text of the statements that
// created it, and every file should show the same one: this text never changes.
// Auto-increment numbers use AUTOINCREMENT so that a number once given is never given again,
// not even after the highest row was deleted.
const char* const schemaV1 = R"(
CREATE TABLE "Kunden.db" ("KundenNr" INTEGER PRIMARY KEY AUTOINCREMENT, "Name1" VARCHAR(25),
    "Name2" VARCHAR(25), "Name3" VARCHAR(25), "KdStr" VARCHAR(25), "KdLKZ" VARCHAR(3), "KdPLZ" VARCHAR(5),
    "KdOrt" VARCHAR(25), "Telefon" VARCHAR(25), "Fax" VARCHAR(25));
CREATE TABLE "Prueflng.db" ("PrueflingNr" INTEGER PRIMARY KEY AUTOINCREMENT, "KundenNr" INTEGER,
    "Bezeichnung" VARCHAR(25), "Typ" VARCHAR(25), "Inventarnummer" VARCHAR(15),
    "Fabrikationsnummer" VARCHAR(15), "Seriennummer" VARCHAR(15), "Barcode" VARCHAR(15));
CREATE TABLE "Pruefung.db" ("PruefungsNr" INTEGER PRIMARY KEY AUTOINCREMENT, "PrueflingNr" INTEGER,
    "Datum" DATE, "GT-Seriennummer" VARCHAR(10), "Grenzwertflags" SMALLINT, "Menueflags" SMALLINT,
    "Schutzklasse" SMALLINT, "Messablauf" SMALLINT, "Schutzleiterwid" INTEGER, "Isolationswid" INTEGER,
    "Ableitstrom" INTEGER, "SchutzlStromL1N" INTEGER, "SchutzlStromNL1" INTEGER,
    "BeruehrungsstromL1N" INTEGER, "BeruehrungsstromNL1" INTEGER, "GrwSchutzleiterwid" INTEGER,
    "GrwIsolationswid" INTEGER, "GrwAbleitstrom" INTEGER, "GrwSchutzleiterstrom" INTEGER,
    "GrwBeruehrungsstrom" INTEGER, "GrwSchnellabschaltung" INTEGER, "Pruefungsergebnis" BOOLEAN,
    "Notiz" VARCHAR(255), "Pruefer" VARCHAR(25), "Sichtpruef" INTEGER);
CREATE TABLE "Uebernah.db" ("LfdNr" INTEGER, "Barcode" VARCHAR(15), "PrueflingNr" INTEGER, "Datum" DATE,
    "GT-Seriennummer" VARCHAR(10), "Grenzwertflags" SMALLINT, "Menueflags" SMALLINT, "Schutzklasse" SMALLINT,
    "Messablauf" SMALLINT, "Schutzleiterwid" INTEGER, "Isolationswid" INTEGER, "Ableitstrom" INTEGER,
    "SchutzlStromL1N" INTEGER, "SchutzlStromNL1" INTEGER, "BeruehrungsstromL1N" INTEGER,
    "BeruehrungsstromNL1" INTEGER, "Pruefungsergebnis" BOOLEAN, "Notiz" VARCHAR(255), "Pruefer" VARCHAR(25),
    "GrwSchutzleiterwid" INTEGER, "GrwIsolationswid" INTEGER, "GrwAbleitstrom" INTEGER,
    "GrwSchutzleiterstrom" INTEGER, "GrwBeruehrungsstrom" INTEGER, "GrwSchnellabschaltung" INTEGER,
    "Sichtpruef" INTEGER);
CREATE INDEX "Prueflng_KundenNr" ON "Prueflng.db" ("KundenNr");
CREATE INDEX "Prueflng_Barcode" ON "Prueflng.db" ("Barcode");
CREATE INDEX "Pruefung_PrueflingNr" ON "Pruefung.db" ("PrueflingNr");
CREATE INDEX "Uebernah_LfdNr" ON "Uebernah.db" ("LfdNr");)";

} // namespace

QString ProgramDatabaseFileName() {
    return QStringLiteral("Pruefdaten.sqlite");
}

bool IsProgramDatabaseFile(const QString& path) {
    const QStringList files = platform::Database::OpenFiles() << ProgramDatabaseFileName();
    return std::ranges::any_of(files,
                               [&](const QString& file) { return platform::isDatabaseFile(path, file); });
}

const platform::TDatabaseSchema& ProgramDatabaseSchema() {
    static const platform::TDatabaseSchema schema{1, QString::fromUtf8(schemaV1)};
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
