#include "tests/support/tester_sequence.h"

#include "tester/Limits.h"
#include "tests/support/demo_records.h"

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
constexpr uint8_t VisualCheckOpen = 8;    // settings d2
constexpr uint8_t VisualCheckPassed = 64; // settings d6
constexpr int StoredRecordCapacity = 3000;
constexpr int StoredRecordSize = 40;
// The double reports program version 2000000: firmware level 3.
constexpr int FirmwareLevel = 3;

int16_t limitOf(TLimitKind kind, uint8_t index) {
    return static_cast<int16_t>(LimitAt(kind, index, FirmwareLevel).value_or(-1));
}

} // namespace

TesterSequence::TesterSequence(TesterScript& script, int stepMs) : script_(script), stepMs_(stepMs) {
    script_.setKindSource([this](uint8_t code, TesterDouble::State& s) { return kind(code, s); });
    script_.setCommandHook([this](TesterDouble::State& s, uint8_t c) { command(s, c); });
}

TesterSequence::~TesterSequence() {
    script_.setKindSource({});
    script_.setCommandHook({});
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

void TesterSequence::store(TesterDouble::State& s) {
    TStoredTestValues v;
    v.Menueflags = s.settings[0];
    v.Klasse = static_cast<uint8_t>((s.settings[2] & StoredClassMask) | (s.settings[2] & VisualCheckOpen));
    for (size_t row = 0; row < 7; ++row)
        if (measured_[row] >= 0 && (exceeded_ & (1u << row)))
            v.Grenzwertflags |= static_cast<uint8_t>(1u << row);
    v.Messablauf = static_cast<uint8_t>((s.settings[6] & VisualCheckPassed) | (v.Grenzwertflags ? 2 : 0));
    v.Schutzleiterwid = measured_[0];
    v.Isolationswid = measured_[1];
    v.Ableitstrom = measured_[2];
    v.SchutzlStromL1N = measured_[3];
    v.SchutzlStromNL1 = measured_[4];
    v.BeruehrungsstromL1N = measured_[5];
    v.BeruehrungsstromNL1 = measured_[6];
    v.GrwSchutzleiterwid = limitOf(TLimitKind::lkPeResistance, s.limitIndices[0]);
    v.GrwIsolationswid = limitOf(TLimitKind::lkInsulation, s.limitIndices[1]);
    v.GrwAbleitstrom = limitOf(TLimitKind::lkLeakage, s.limitIndices[2]);
    v.GrwSchutzleiterstrom = 350;
    v.GrwBeruehrungsstrom = 50;
    v.GrwSchnellabschaltung = 1000;
    s.records.push_back(StoredRecordBytes(v));
}

void TesterSequence::next(TesterDouble::State& s) {
    int row = row_ + 1;
    while (row < 7 && !(steps_ & (1u << row)))
        ++row;
    if (row >= 7) {
        phase_ = Phase::Idle;
        row_ = -1;
        store(s);
        return;
    }
    if (row >= FirstMainsRow && !warned_) {
        phase_ = Phase::Warning;
        pendingRow_ = row;
        return;
    }
    enter(row);
}

void TesterSequence::advance(TesterDouble::State& s) {
    if (phase_ != Phase::Running || done_)
        return;
    if (Clock::now() - started_ < std::chrono::milliseconds(stepMs_))
        return;
    done_ = true;
    measured_[static_cast<size_t>(row_)] = EndValues[static_cast<size_t>(row_)];
    if (s.settings[0] & Automatisch)
        next(s);
}

void TesterSequence::command(TesterDouble::State& s, uint8_t c) {
    std::lock_guard lock(mutex_);
    if (c == 0)
        return;
    commands_.push_back(c);
    advance(s);
    switch (c) {
    case 1:
        if (phase_ == Phase::Idle) {
            measured_.fill(-1);
            aborted_ = false;
            warned_ = false;
            row_ = -1;
            next(s);
        } else if (phase_ == Phase::Warning) {
            warned_ = true;
            enter(pendingRow_);
        } else {
            measured_[static_cast<size_t>(row_)] = EndValues[static_cast<size_t>(row_)];
            next(s);
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
        s.records.clear();
        break;
    default:
        break;
    }
    records_ = static_cast<int>(s.records.size());
}

std::optional<std::vector<uint8_t>> TesterSequence::kind(uint8_t code, TesterDouble::State& s) {
    std::lock_guard lock(mutex_);
    advance(s);
    records_ = static_cast<int>(s.records.size());
    std::vector<uint8_t> d(8, 0);
    const bool running = phase_ == Phase::Running;
    const bool overLimit = running && (exceeded_ & (1u << row_));
    switch (code) {
    case 0x33: {
        word(d, 0, records_);
        word(d, 2, StoredRecordCapacity - StoredRecordSize * records_);
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
