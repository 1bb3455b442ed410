#pragma once

#include "platform/database.h"
#include "platform/query.h"
#include "tester/WerteSatzFields.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>

// "Pruefdaten.sqlite": the program's database file, in the current working directory.
QString ProgramDatabaseFileName();

// Whether path names, by whatever name or link, a database file of the program or a file the engine
// keeps beside one: the program's file in the working folder, and every database that is open.
bool IsProgramDatabaseFile(const QString& path);

// The four tables "Kunden.db", "Prueflng.db", "Pruefung.db" and "Uebernah.db" with their indexes.
const platform::TDatabaseSchema& ProgramDatabaseSchema();

// Opens (or creates) the program's database file; throws EDatabaseError when that fails.
std::unique_ptr<platform::Database> OpenProgramDatabase(const QString& path = ProgramDatabaseFileName());

// The fields a table stores (TWerteSatzField::Pruefung or ::Uebernah), in the order of
// WerteSatzFields; the program names the columns, it never counts on their order in the file.
template <bool TWerteSatzField::*In> constexpr auto StoredFields() {
    constexpr auto count = static_cast<size_t>(
        std::ranges::count_if(WerteSatzFields, [](const TWerteSatzField& f) { return f.*In; }));
    std::array<const TWerteSatzField*, count> fields{};
    size_t i = 0;
    for (const TWerteSatzField& f : WerteSatzFields)
        if (f.*In)
            fields[i++] = &f;
    return fields;
}

// The columns of "Pruefung.db" and "Uebernah.db" from the record's fields.
inline constexpr auto PruefungColumns = StoredFields<&TWerteSatzField::Pruefung>();
inline constexpr auto UebernahColumns = StoredFields<&TWerteSatzField::Uebernah>();

// The query objects' field type of a stored column.
platform::TFieldType FieldTypeOf(TFieldStore store);
