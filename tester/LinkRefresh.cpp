#include "tester/LinkRefresh.h"

#include "tester/TesterMessages.h"

int RefreshKindOfCode(uint8_t code) {
    for (int k = 0; k < RefreshKindCount; ++k)
        if (RefreshKindCodes[static_cast<size_t>(k)] == code)
            return k;
    return -1;
}

int RefreshKindOfFrame(const TProtok& frame) {
    if (frame[1] != MsgIdTester)
        return -1;
    return RefreshKindOfCode(frame[3]);
}

std::string PollLogLine(int pollIndex) {
    return "Info " + std::to_string(pollIndex) + " anfordern";
}

void TLinkRefresh::Reset() {
    refreshCounter_ = 0;
    pollIndex_ = 0;
    rotation_ = 0;
    pendingMask_ = 0;
}

bool TLinkRefresh::Tick(bool connected) {
    if (!connected) {
        refreshCounter_ = 0;
        return false;
    }
    if (refreshCounter_ > 0 && --refreshCounter_ == 0)
        return true;
    return false;
}

uint8_t TLinkRefresh::TakePollCode() {
    if (pollIndex_ < 0 || pollIndex_ >= RefreshKindCount)
        pollIndex_ = 0;
    const uint8_t code = RefreshKindCodes[static_cast<size_t>(pollIndex_)];
    pollIndex_ = pollIndex_ >= RefreshKindCount - 1 ? 0 : pollIndex_ + 1;
    return code;
}

int TLinkRefresh::Store(const TProtok& frame, bool pending) {
    const int kind = RefreshKindOfFrame(frame);
    if (kind < 0)
        return -1;
    buffers_[static_cast<size_t>(kind)] = frame;
    if (pending)
        pendingMask_ |= static_cast<uint16_t>(1u << kind);
    return kind;
}

int TLinkRefresh::IdleStep(bool connected) {
    if (!connected) {
        pendingMask_ = 0;
        rotation_ = 0;
        return -1;
    }
    const int kind = rotation_;
    rotation_ = rotation_ >= RefreshKindCount - 1 ? 0 : rotation_ + 1;
    return (pendingMask_ & (1u << kind)) ? kind : -1;
}
