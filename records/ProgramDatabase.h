#pragma once

#include "platform/database.h"

#include <QString>

#include <memory>

// "Pruefdaten.sqlite": the program's database file, in the current working directory.
QString ProgramDatabaseFileName();

// The four tables "Kunden.db", "Prueflng.db", "Pruefung.db" and "Uebernah.db" with their indexes.
const platform::TDatabaseSchema& ProgramDatabaseSchema();

// Opens (or creates) the program's database file; throws EDatabaseError when that fails.
std::unique_ptr<platform::Database> OpenProgramDatabase(const QString& path = ProgramDatabaseFileName());
