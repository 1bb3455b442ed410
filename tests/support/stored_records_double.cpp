#include "tests/support/stored_records_double.h"

namespace {

constexpr uint8_t kRecordCount = 0x33;
constexpr uint8_t kEepromFunction = 0x70;
constexpr uint8_t kRecordPart1 = 0x20;
constexpr int kPartBytes = 8;

} // namespace

StoredRecordsDouble::StoredRecordsDouble(TesterDouble& tester)
    : tester_(tester), memory_(std::make_shared<Memory>()) {
    std::shared_ptr<Memory> memory = memory_;
    tester_.setHandler(kRecordCount, [](TesterDouble::State& state, const TProtok&) {
        const size_t n = state.records.size();
        return std::optional<std::vector<uint8_t>>(
            std::vector<uint8_t>{static_cast<uint8_t>(n & 0xFF), static_cast<uint8_t>((n >> 8) & 0xFF)});
    });
    tester_.setHandler(
        kEepromFunction,
        [memory](TesterDouble::State& state, const TProtok& request) -> std::optional<std::vector<uint8_t>> {
            const uint8_t function = request[4];
            switch (function) {
            case 'T':
                memory->current = 0;
                break;
            case 'S':
                ++memory->steps;
                if (memory->faults.lostStepAfter != 0 &&
                    memory->current + 1 == static_cast<size_t>(memory->faults.lostStepAfter))
                    return std::nullopt;
                ++memory->current;
                if (memory->faults.droppedStepAfter != 0 && !memory->stepAnswerDropped &&
                    memory->current == static_cast<size_t>(memory->faults.droppedStepAfter)) {
                    memory->stepAnswerDropped = true;
                    return std::nullopt;
                }
                break;
            case 'C':
                ++memory->clears;
                if (memory->onClear)
                    memory->onClear();
                if (memory->faults.failClear)
                    return std::nullopt;
                state.records.clear();
                memory->current = 0;
                break;
            default:
                return std::nullopt;
            }
            return std::vector<uint8_t>{function};
        });
    for (int k = 0; k < 5; ++k) {
        tester_.setHandler(
            static_cast<uint8_t>(kRecordPart1 + k),
            [memory, k](TesterDouble::State& state, const TProtok&) -> std::optional<std::vector<uint8_t>> {
                ++memory->parts;
                const Faults& f = memory->faults;
                if (f.silentRecord != 0 && memory->current + 1 == static_cast<size_t>(f.silentRecord) &&
                    k + 1 >= f.silentPart)
                    return std::nullopt;
                std::vector<uint8_t> part(kPartBytes, 0);
                if (memory->current < state.records.size()) {
                    const std::vector<uint8_t>& r = state.records[memory->current];
                    for (int i = 0; i < kPartBytes; ++i) {
                        const size_t at = static_cast<size_t>(k * kPartBytes + i);
                        part[static_cast<size_t>(i)] = at < r.size() ? r[at] : 0;
                    }
                }
                return part;
            });
    }
}

void StoredRecordsDouble::setRecords(const std::vector<std::vector<uint8_t>>& records) {
    std::shared_ptr<Memory> memory = memory_;
    tester_.withState([&](TesterDouble::State& state) {
        state.records = records;
        memory->current = 0;
    });
}

size_t StoredRecordsDouble::recordCount() {
    size_t n = 0;
    tester_.withState([&](TesterDouble::State& state) { n = state.records.size(); });
    return n;
}

void StoredRecordsDouble::setFaults(const Faults& faults) {
    std::shared_ptr<Memory> memory = memory_;
    tester_.withState([&](TesterDouble::State&) { memory->faults = faults; });
}

int StoredRecordsDouble::stepRequests() {
    int n = 0;
    tester_.withState([&](TesterDouble::State&) { n = memory_->steps; });
    return n;
}

int StoredRecordsDouble::clearRequests() {
    int n = 0;
    tester_.withState([&](TesterDouble::State&) { n = memory_->clears; });
    return n;
}

int StoredRecordsDouble::partRequests() {
    int n = 0;
    tester_.withState([&](TesterDouble::State&) { n = memory_->parts; });
    return n;
}

void StoredRecordsDouble::setOnClear(std::function<void()> onClear) {
    std::shared_ptr<Memory> memory = memory_;
    tester_.withState([&](TesterDouble::State&) { memory->onClear = std::move(onClear); });
}
