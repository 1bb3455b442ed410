#pragma once

#include "tests/support/tester_script.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

// A test run in the tester double, driven by the key commands of the settings writes
// (command byte d7: 1 start or continue, 2 abort, 16 clear the record memory, $40).
// Start runs the chosen measurements one after the other; each takes stepMs, during which
// $39 reports the value rising towards its end value. Single-step sequence (d0 bit 1
// clear): a measured step waits for "continue"; automatic: the next step follows. Before
// the first step that puts mains voltage on the test socket the tester raises its warning
// (d5 bit 128) and waits for "continue" in either sequence. Every finished test is one
// more stored record in the double's memory; the count ($33) is what the memory holds.
class TesterSequence {
public:
    explicit TesterSequence(TesterScript& script, int stepMs = 300);
    ~TesterSequence();
    TesterSequence(const TesterSequence&) = delete;
    TesterSequence& operator=(const TesterSequence&) = delete;

    // Rows that a test measures, in measurement order (bit 0 protective-conductor
    // resistance ... bit 6 touch current reversed); all seven by default.
    void setSteps(uint8_t mask);
    // Rows whose value exceeds its limit.
    void setExceeded(uint8_t mask);
    void setStepMs(int ms);

    // The step the tester reports: 0 idle, 1..7 the row plus one.
    int runningStep();
    bool mainsWarning();
    // Records in the memory when the tester last reported or took a command.
    int records();
    // The command bytes other than 0, in the order received.
    std::vector<uint8_t> commands();

    // End values of the seven rows in the tester's units.
    static constexpr std::array<int16_t, 7> EndValues{120, 5000, 35, 20, 21, 5, 6};

private:
    enum class Phase { Idle, Warning, Running };
    using Clock = std::chrono::steady_clock;

    std::optional<std::vector<uint8_t>> kind(uint8_t code, TesterDouble::State& s);
    void command(TesterDouble::State& s, uint8_t command);
    void advance(TesterDouble::State& s);
    void next(TesterDouble::State& s);
    void store(TesterDouble::State& s);
    void enter(int row);
    int reportedStep() const;

    TesterScript& script_;
    std::mutex mutex_;
    int stepMs_;
    uint8_t steps_ = 0x7F;
    uint8_t exceeded_ = 0;
    Phase phase_ = Phase::Idle;
    int row_ = -1;        // the running or last measured row
    int pendingRow_ = -1; // the row the warning waits for
    bool done_ = false;   // the running row is measured
    bool warned_ = false;
    bool aborted_ = false;
    Clock::time_point started_{};
    std::array<int16_t, 7> measured_{-1, -1, -1, -1, -1, -1, -1};
    int records_ = 0;
    std::vector<uint8_t> commands_;
};
