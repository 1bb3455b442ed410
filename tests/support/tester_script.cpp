#include "tests/support/tester_script.h"

#include <chrono>
#include <utility>

namespace {

void word(std::vector<uint8_t>& d, size_t at, int value) {
    d[at] = static_cast<uint8_t>(value & 0xFF);
    d[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

constexpr uint8_t KindCodes[] = {0x31, 0x32, 0x33, 0x34, 0x37, 0x38, 0x39, 0x3A};
constexpr int StoredRecordCapacity = 3000;
constexpr int StoredRecordBytes = 40;

} // namespace

void TesterScript::setKindSource(KindSource source) {
    std::lock_guard lock(hookMutex_);
    kindSource_ = std::move(source);
}

void TesterScript::setCommandHook(CommandHook hook) {
    std::lock_guard lock(hookMutex_);
    commandHook_ = std::move(hook);
}

std::vector<uint8_t> TesterScript::kindData(uint8_t code, TesterDouble::State& s) {
    {
        std::lock_guard lock(hookMutex_);
        if (kindSource_)
            if (std::optional<std::vector<uint8_t>> d = kindSource_(code, s))
                return *d;
    }
    std::vector<uint8_t> d(8, 0);
    switch (code) {
    case 0x32:
        word(d, 0, 350);
        word(d, 2, 50);
        word(d, 4, 1000);
        break;
    case 0x33:
        word(d, 0, static_cast<int>(s.records.size()));
        word(d, 2, StoredRecordCapacity - StoredRecordBytes * static_cast<int>(s.records.size()));
        break;
    case 0x34:
        d.assign(s.settings.begin(), s.settings.end());
        break;
    case 0x37:
        word(d, 0, 120);
        word(d, 2, 5000);
        word(d, 4, 35);
        break;
    case 0x38:
        word(d, 0, 20);
        word(d, 2, 21);
        word(d, 4, 5);
        word(d, 6, 6);
        break;
    case 0x3A:
        d[2] = s.limitIndices[0];
        d[3] = s.limitIndices[1];
        d[4] = s.limitIndices[2];
        break;
    default:
        break;
    }
    return d;
}

TesterScript::TesterScript(TesterDouble& tester, int autosendPeriodMs)
    : tester_(tester), periodMs_(autosendPeriodMs) {
    using Answer = std::optional<std::vector<uint8_t>>;
    // The language of the display may be set from the PC.
    tester_.withState([](TesterDouble::State& s) { s.settings[1] |= 4; });
    auto silent = [this] {
        std::lock_guard lock(mutex_);
        return silent_;
    };
    tester_.setHandler(0x3B, [this, silent](TesterDouble::State&, const TProtok&) -> Answer {
        if (silent())
            return std::nullopt;
        std::lock_guard lock(mutex_);
        std::vector<uint8_t> d(8, 0);
        if (current_ >= 0 && current_ < static_cast<int>(languages_.size()) &&
            languages_[current_].size() == 2) {
            d[1] = static_cast<uint8_t>(languages_[current_][0]);
            d[2] = static_cast<uint8_t>(languages_[current_][1]);
        }
        return d;
    });
    tester_.setHandler(0x15, [this, silent](TesterDouble::State&, const TProtok& r) -> Answer {
        if (silent())
            return std::nullopt;
        std::lock_guard lock(mutex_);
        const size_t i = r[4];
        std::vector<uint8_t> d(8, 0);
        if (i < languages_.size() && languages_[i].size() == 2) {
            d[1] = 1;
            d[2] = static_cast<uint8_t>(languages_[i][0]);
            d[3] = static_cast<uint8_t>(languages_[i][1]);
        }
        d[4] = static_cast<uint8_t>(languages_.size());
        d[5] = static_cast<uint8_t>(current_);
        return d;
    });
    tester_.setHandler(0x69, [this, silent](TesterDouble::State&, const TProtok& r) -> Answer {
        if (silent())
            return std::nullopt;
        std::lock_guard lock(mutex_);
        if (r[4] < languages_.size())
            current_ = r[4];
        return std::vector<uint8_t>{};
    });
    tester_.setHandler(0x67, [this](TesterDouble::State& s, const TProtok& r) -> Answer {
        s.autosendMask = static_cast<uint16_t>(r[4] | (r[5] << 8));
        std::lock_guard lock(mutex_);
        (s.autosendMask ? orders_ : stops_)++;
        wake_.notify_all();
        return std::nullopt; // no answer: the frames follow by themselves
    });
    tester_.setHandler(0x66, [this, silent](TesterDouble::State& s, const TProtok& r) -> Answer {
        if (silent())
            return std::nullopt;
        for (size_t i = 0; i < 7; ++i)
            s.settings[i] = r[4 + i];
        std::lock_guard lock(hookMutex_);
        if (commandHook_)
            commandHook_(s, r[4 + 7]);
        return std::vector<uint8_t>{};
    });
    tester_.setHandler(0x68, [silent](TesterDouble::State& s, const TProtok& r) -> Answer {
        if (silent())
            return std::nullopt;
        for (size_t i = 0; i < 3; ++i)
            s.limitIndices[i] = r[4 + i];
        return std::vector<uint8_t>{};
    });
    for (uint8_t code : KindCodes)
        tester_.setHandler(code, [this, code, silent](TesterDouble::State& s, const TProtok&) -> Answer {
            if (silent())
                return std::nullopt;
            return kindData(code, s);
        });
    thread_ = std::thread([this] { autosend(); });
}

TesterScript::~TesterScript() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void TesterScript::setLanguages(const std::vector<std::string>& codes, int current) {
    std::lock_guard lock(mutex_);
    languages_ = codes;
    current_ = current;
}

std::string TesterScript::currentLanguage() {
    std::lock_guard lock(mutex_);
    return current_ >= 0 && current_ < static_cast<int>(languages_.size()) ? languages_[current_]
                                                                           : std::string();
}

void TesterScript::setSilent(bool on) {
    std::lock_guard lock(mutex_);
    silent_ = on;
}

int TesterScript::autosendOrders() {
    std::lock_guard lock(mutex_);
    return orders_;
}

int TesterScript::autosendStops() {
    std::lock_guard lock(mutex_);
    return stops_;
}

void TesterScript::autosend() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        wake_.wait_for(lock, std::chrono::milliseconds(periodMs_));
        if (stopping_ || silent_)
            continue;
        lock.unlock();
        // A running test may change the state (a finished test is stored), so the frames
        // are made under the state lock and sent after it.
        std::vector<std::pair<uint8_t, std::vector<uint8_t>>> frames;
        tester_.withState([&](TesterDouble::State& s) {
            for (int k = 0; k <= 10; ++k)
                if (s.autosendMask & (1u << k)) {
                    const uint8_t code = static_cast<uint8_t>(0x30 + k);
                    frames.emplace_back(code, kindData(code, s));
                }
        });
        for (const auto& [code, data] : frames)
            tester_.sendFrame(code, data);
        lock.lock();
    }
}
