#pragma once

#include "serial/SyncBus.h"

#include <array>
#include <cstdint>
#include <string>

// The kinds of tester frames the refresh keeps, in kind order; polling asks for them in
// the same order.
inline constexpr int RefreshKindCount = 8;
inline constexpr std::array<uint8_t, RefreshKindCount> RefreshKindCodes{0x31, 0x32, 0x33, 0x34,
                                                                        0x37, 0x38, 0x39, 0x3A};

// Kind index of a message code, or -1 when the refresh does not keep it.
int RefreshKindOfCode(uint8_t code);
// Kind index of an unasked frame that the refresh takes (a tester frame of a kept kind), or -1.
int RefreshKindOfFrame(const TProtok& frame);

// Program-log line of a poll request.
std::string PollLogLine(int pollIndex);

// The refresh state of the link: refresh counter, poll index, the frame buffers with their
// pending bits and the idle rotation.
class TLinkRefresh {
public:
    // Start state: nothing pending, polling from the first kind.
    void Reset();

    int RefreshCounter() const { return refreshCounter_; }
    void SetRefreshCounter(int ticks) { refreshCounter_ = ticks; }
    // One Timer2 tick; true when the next refresh is due now.
    bool Tick(bool connected);

    int PollIndex() const { return pollIndex_; }
    void SetPollIndex(int index) { pollIndex_ = index; }
    // The code to poll now; the index moves on and wraps after the last kind.
    uint8_t TakePollCode();

    // Keeps the frame as its kind's latest; with pending set, it waits for the idle handler.
    // Returns the kind, or -1 for a frame that is not taken.
    int Store(const TProtok& frame, bool pending);
    const TProtok& Buffer(int kind) const { return buffers_.at(static_cast<size_t>(kind)); }
    uint16_t PendingMask() const { return pendingMask_; }
    void ClearPending(int kind) { pendingMask_ &= static_cast<uint16_t>(~(1u << kind)); }

    int RotationIndex() const { return rotation_; }
    // One idle pass: the kind to apply now or -1; one kind is looked at per pass, in turn.
    // While disconnected everything pending is dropped and the rotation starts over.
    int IdleStep(bool connected);

private:
    int refreshCounter_ = 0;
    int pollIndex_ = 0;
    int rotation_ = 0;
    uint16_t pendingMask_ = 0;
    std::array<TProtok, RefreshKindCount> buffers_{};
};
