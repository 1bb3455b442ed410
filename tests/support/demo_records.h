#pragma once

#include "records/StoredRecord.h"

#include <cstdint>
#include <vector>

// A day's work in the tester double's memory, so that a fetch by hand brings tests of every
// outcome: passed, a limit failed, visual inspection still open; with and without barcodes.
std::vector<TStoredTestValues> DemoTestValues();

// The values as the 40 bytes (part 1 to part 5) that the double hands out.
std::vector<uint8_t> StoredRecordBytes(const TStoredTestValues& values);
std::vector<std::vector<uint8_t>> DemoRecords();
