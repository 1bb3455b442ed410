#pragma once

#include <cstdint>

namespace platform {
class Database;
} // namespace platform

class TCsvExportFile;

// Every test with its device and that device's customer, in the order the database delivers
// the join (tests whose device or customer is missing are left out): the header line, then one
// line per test, as FillWerteSatz and CsvValueLine make them for a tester of firmwareLevel, read
// one row at a time. False when a write failed; errors of the database, and values that cannot
// be read, reach the caller.
bool WriteAllTests(platform::Database& db, TCsvExportFile& file, int32_t firmwareLevel);
