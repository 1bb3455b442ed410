#include "tests/support/tester_sequence.h"

namespace {

void word(std::vector<uint8_t>& d, size_t at, int value) {
    d[at] = static_cast<uint8_t>(value & 0xFF);
    d[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

constexpr uint8_t Automatisch = 1;
constexpr uint8_t MainsWarningBit = 128;
constexpr uint8_t AbbruchBit = 1;
constexpr uint8_t GrenzwertBit = 4;
constexpr uint8_t NotAusBit = 8;
// The first row that puts mains voltage on the test socket.
constexpr int FirstMainsRow = 3;

} // namespace

TesterSequence::TesterSequence(TesterLink& link, int stepMs) : link_(link), stepMs_(stepMs) {
    link_.setKindSource([this](uint8_t code, const TesterDouble::State& s) { return kind(code, s); });
    link_.setCommandHook([this](TesterDouble::State& s, uint8_t c) { command(s, c); });
}

TesterSequence::~TesterSequence() {
    link_.setKindSource({});
    link_.setCommandHook({});
}

void TesterSequence::setSteps(uint8_t mask) {
    std::lock_guard lock(mutex_);
    steps_ = mask & 0x7F;
}

void TesterSequence::setExceeded(uint8_t mask) {
    std::lock_guard lock(mutex_);
    exceeded_ = mask;
}

void TesterSequence::setStepMs(int ms) {
    std::lock_guard lock(mutex_);
    stepMs_ = ms;
}

int TesterSequence::runningStep() {
    std::lock_guard lock(mutex_);
    return reportedStep();
}

bool TesterSequence::mainsWarning() {
    std::lock_guard lock(mutex_);
    return phase_ == Phase::Warning;
}

int TesterSequence::records() {
    std::lock_guard lock(mutex_);
    return records_;
}

std::vector<uint8_t> TesterSequence::commands() {
    std::lock_guard lock(mutex_);
    return commands_;
}

int TesterSequence::reportedStep() const {
    if (phase_ == Phase::Running)
        return row_ + 1;
    // The warning keeps the step before it.
    if (phase_ == Phase::Warning && row_ >= 0)
        return row_ + 1;
    return 0;
}

void TesterSequence::enter(int row) {
    phase_ = Phase::Running;
    row_ = row;
    done_ = false;
    started_ = Clock::now();
}

void TesterSequence::next() {
    int row = row_ + 1;
    while (row < 7 && !(steps_ & (1u << row)))
        ++row;
    if (row >= 7) {
        phase_ = Phase::Idle;
        row_ = -1;
        ++records_;
        return;
    }
    if (row >= FirstMainsRow && !warned_) {
        phase_ = Phase::Warning;
        pendingRow_ = row;
        return;
    }
    enter(row);
}

void TesterSequence::advance(bool automatic) {
    if (phase_ != Phase::Running || done_)
        return;
    if (Clock::now() - started_ < std::chrono::milliseconds(stepMs_))
        return;
    done_ = true;
    measured_[static_cast<size_t>(row_)] = EndValues[static_cast<size_t>(row_)];
    if (automatic)
        next();
}

void TesterSequence::command(const TesterDouble::State& s, uint8_t c) {
    std::lock_guard lock(mutex_);
    if (c == 0)
        return;
    commands_.push_back(c);
    advance(s.settings[0] & Automatisch);
    switch (c) {
    case 1:
        if (phase_ == Phase::Idle) {
            measured_.fill(-1);
            aborted_ = false;
            warned_ = false;
            row_ = -1;
            next();
        } else if (phase_ == Phase::Warning) {
            warned_ = true;
            enter(pendingRow_);
        } else {
            measured_[static_cast<size_t>(row_)] = EndValues[static_cast<size_t>(row_)];
            next();
        }
        break;
    case 2:
        if (phase_ != Phase::Idle) {
            aborted_ = true;
            phase_ = Phase::Idle;
            row_ = -1;
        }
        break;
    case 16:
        records_ = 0;
        break;
    default:
        break;
    }
}

std::optional<std::vector<uint8_t>> TesterSequence::kind(uint8_t code, const TesterDouble::State& s) {
    std::lock_guard lock(mutex_);
    advance(s.settings[0] & Automatisch);
    std::vector<uint8_t> d(8, 0);
    const bool running = phase_ == Phase::Running;
    const bool overLimit = running && (exceeded_ & (1u << row_));
    switch (code) {
    case 0x33: {
        // Records in the double's memory (a fetch reads those) and the tests finished here.
        const int count = records_ + static_cast<int>(s.records.size());
        word(d, 0, count);
        word(d, 2, 3000 - 40 * count);
        return d;
    }
    case 0x34:
        d.assign(s.settings.begin(), s.settings.end());
        d[5] = static_cast<uint8_t>((d[5] & ~MainsWarningBit) |
                                    (phase_ == Phase::Warning ? MainsWarningBit : 0));
        d[6] = static_cast<uint8_t>((d[6] & ~(AbbruchBit | GrenzwertBit | NotAusBit)) |
                                    (aborted_ ? AbbruchBit : 0) | (overLimit ? GrenzwertBit : 0));
        return d;
    case 0x37:
    case 0x38: {
        uint8_t flags = 0;
        for (size_t row = 0; row < 7; ++row)
            if (measured_[row] >= 0 && (exceeded_ & (1u << row)))
                flags |= static_cast<uint8_t>(1u << row);
        const size_t first = code == 0x37 ? 0 : 3;
        const size_t count = code == 0x37 ? 3 : 4;
        for (size_t i = 0; i < count; ++i)
            word(d, 2 * i, measured_[first + i]);
        if (code == 0x37)
            d[6] = flags;
        return d;
    }
    case 0x39:
        if (running) {
            const auto elapsed =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_).count();
            const int end = EndValues[static_cast<size_t>(row_)];
            word(d, 4, done_ || elapsed >= stepMs_ ? end : static_cast<int>(end * elapsed / stepMs_));
        }
        return d;
    case 0x3A:
        d[1] = static_cast<uint8_t>(reportedStep());
        d[2] = s.limitIndices[0];
        d[3] = s.limitIndices[1];
        d[4] = s.limitIndices[2];
        return d;
    default:
        return std::nullopt;
    }
}
