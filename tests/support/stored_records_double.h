#pragma once

#include "tests/support/tester_double.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Teaches the tester double its record memory: the count ($33), the EEPROM functions
// "T", "S" and "C" ($70) and the five record parts ($20..$24) over State::records, each
// record 40 bytes (part 1 to part 5). "T" presents the first record, "S" the next one,
// "C" clears the memory.
class StoredRecordsDouble {
public:
    // Failures a test asks for; counted from 1.
    struct Faults {
        int silentRecord = 0; // the parts of this record get no answer from silentPart on
        int silentPart = 1;
        int lostStepAfter = 0;    // "S" after this record gets no answer and does not move on
        bool failClear = false;   // "C" gets no answer and clears nothing
        int droppedStepAfter = 0; // "S" after this record moves on, but its answer is lost, once
    };

    explicit StoredRecordsDouble(TesterDouble& tester);

    void setRecords(const std::vector<std::vector<uint8_t>>& records);
    size_t recordCount();
    void setFaults(const Faults& faults);
    // Runs in the double's thread when "C" arrives, before it is answered.
    void setOnClear(std::function<void()> onClear);

    // What the tester was asked, in order of arrival.
    int stepRequests();  // "S"
    int clearRequests(); // "C"
    int partRequests();  // $20..$24

private:
    struct Memory {
        size_t current = 0;
        Faults faults;
        int steps = 0;
        int clears = 0;
        int parts = 0;
        bool stepAnswerDropped = false;
        std::function<void()> onClear;
    };
    TesterDouble& tester_;
    std::shared_ptr<Memory> memory_; // touched only under the double's lock
};
