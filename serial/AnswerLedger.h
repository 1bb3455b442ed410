#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

// A set of byte values (Id or Sub) that an awaited answer may carry.
using TByteSet = std::bitset<256>;

// Which frame on the line answers which request, when each attempt of a request may go out,
// and how long a request waits for answers still owed to others. No I/O: the bus tells it
// what went out and what came in, with the time, and asks it what to do.
//
// Answers of one code look alike, and a slow tester answers an attempt after the next one
// went out. The ledger keeps every attempt that may still be answered and reads the arrivals
// by the tester's answer time for that code, as measured:
// - measured from an answer while one attempt of the code was open; raised by an answer that
//   comes later than that time allows after the newest attempt (it is then taken as the answer
//   to the oldest open one, and the newer ones stay owed);
// - an answer that fits the answer time after an attempt is that attempt's, and the older
//   ones were lost: a lost answer is not taken for slowness.
// A retry goes out once the attempt before it is overdue (after the bus deadline and after
// the answer time). A request that repeats the one just before it (same question, nothing
// asked in between) continues its attempts and may take their answers; any other request
// of the same kind first waits for the answers owed to other requests, or until they can no
// longer come, but never longer than the owed-answer wait.
class TAnswerLedger {
public:
    static constexpr int64_t Never = std::numeric_limits<int64_t>::max();

    // What a request asks: the accepted answer sets, and the frame's code and data bytes.
    struct TQuestion {
        TByteSet Ids;
        TByteSet Subs;
        uint8_t Sub = 0;
        std::string Data;
        bool operator==(const TQuestion&) const = default;
    };

    enum class TOwner {
        Waiting, // the waiting request's answer
        Ended,   // owed to a request that has ended: nobody takes it
        Nobody,  // no attempt of its kind is open, and no request waits for it
    };

    // The bus deadline after a send (an attempt is not overdue before it has passed).
    void SetBusDeadline(int64_t ms) { busDeadline_ = ms < 0 ? 0 : ms; }
    // How long after an attempt its answer may still come, and the longest a request waits
    // for answers owed to others.
    void SetOwedWait(int64_t ms) { owedWait_ = ms < 0 ? 0 : ms; }
    int64_t OwedWait() const { return owedWait_; }

    // A request begins: up to attempts sends, each given timeout ms.
    void Begin(const TQuestion& question, int64_t timeout, int attempts, int64_t now);
    // When its next attempt may go out; Never when none is left before its end.
    int64_t NextAttemptAt() const;
    // The request gives up once the clock is past this.
    int64_t End() const;
    // An attempt was handed to the bus (it went out, or waits in the queue).
    void Made(int64_t now);
    // An attempt of the waiting request went out on the line.
    void Sent(int64_t now);
    // A good frame with this Id and Sub arrived.
    TOwner Received(uint8_t id, uint8_t sub, int64_t now);
    // A frame with a bad checksum arrived: perhaps the waiting request's answer, garbled.
    void Garbled();
    // The waiting request ended.
    void Finish(bool answered, int64_t now);

    // The answer time of a code as measured, else the slowest measured for any code (what a
    // retry waits for); 0 = none yet.
    int64_t AnswerTime(uint8_t sub) const;
    // Attempts that may still be answered.
    size_t OpenAttempts() const { return open_.size(); }

private:
    struct TAttempt {
        uint64_t Chain; // the request, with the requests that repeated it
        TByteSet Ids;
        TByteSet Subs;
        uint8_t Sub;
        int64_t SentAt;
        bool ChainAnswered; // some request of the chain got its answer
    };

    static int64_t Margin(int64_t answerTime);
    int64_t OverdueAt(const TAttempt& a) const;
    int64_t OwedUntil(const TAttempt& a) const;
    int64_t FirstAttemptAt() const;
    const TAttempt* NewestOfChain() const;
    void Expire(int64_t now);
    void Measure(uint8_t sub, int64_t answerTime, bool oneOpen);

    int64_t busDeadline_ = 200;
    int64_t owedWait_ = 1500;
    std::array<int64_t, 256> answerTime_{};
    std::array<int64_t, 256> measured_{}; // from answers while one attempt was open
    std::vector<TAttempt> open_;          // in the order they went out

    // The waiting request, or the last one.
    TQuestion question_;
    bool hasQuestion_ = false;
    bool waiting_ = false;
    bool continues_ = false; // repeats the request before it
    uint64_t chain_ = 0;
    uint64_t chains_ = 0;
    bool chainAnswered_ = false;
    int64_t begin_ = 0;
    int64_t timeout_ = 0;
    int attempts_ = 1;
    int made_ = 0;
    bool sent_ = false;   // an attempt of it went out
    int64_t firstAt_ = 0; // when its first attempt was made
    int64_t lastSentAt_ = 0;
};
