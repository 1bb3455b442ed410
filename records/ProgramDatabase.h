#pragma once

#include "platform/database.h"
#include "platform/query.h"
#include "tester/WerteSatzFields.h"

#include <QString>

#include <array>
#include <cstddef>
#include <memory>

// "Pruefdaten.sqlite": the program's database file, in the current working directory.
QString ProgramDatabaseFileName();

// The four tables "Kunden.db", "Prueflng.db", "Pruefung.db" and "Uebernah.db" with their indexes.
const platform::TDatabaseSchema& ProgramDatabaseSchema();

// Opens (or creates) the program's database file; throws EDatabaseError when that fails.
std::unique_ptr<platform::Database> OpenProgramDatabase(const QString& path = ProgramDatabaseFileName());

// The fields a table stores, by their places in it (TWerteSatzField::Pruefung or ::Uebernah),
// in its column order. A place given twice or beyond the count does not compile.
template <int TWerteSatzField::*Place> constexpr auto ColumnsOf() {
    constexpr size_t count = [] {
        size_t n = 0;
        for (const TWerteSatzField& f : WerteSatzFields)
            n += f.*Place >= 0;
        return n;
    }();
    std::array<const TWerteSatzField*, count> columns{};
    std::array<bool, count> placed{};
    for (const TWerteSatzField& f : WerteSatzFields) {
        if (f.*Place < 0)
            continue;
        if (placed.at(size_t(f.*Place)))
            throw "a column place is given twice";
        placed.at(size_t(f.*Place)) = true;
        columns.at(size_t(f.*Place)) = &f;
    }
    return columns;
}

// The columns of "Pruefung.db" and "Uebernah.db" from the record's fields.
inline constexpr auto PruefungColumns = ColumnsOf<&TWerteSatzField::Pruefung>();
inline constexpr auto UebernahColumns = ColumnsOf<&TWerteSatzField::Uebernah>();

// The query objects' field type of a stored column.
platform::TFieldType FieldTypeOf(TFieldStore store);
