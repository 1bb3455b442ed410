#include "serial/AnswerLedger.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr uint8_t Tester = 0xEC;
using Owner = TAnswerLedger::TOwner;

TAnswerLedger::TQuestion question(uint8_t sub, char data = 0) {
    TByteSet ids, subs;
    ids.set(Tester);
    subs.set(sub);
    return {ids, subs, sub, std::string(1, data)};
}

// A timeline: requests, the frames they send and the answers that come, with the times.
struct Line {
    TAnswerLedger ledger;
    int64_t now = 0;

    Line() {
        ledger.SetBusDeadline(500);
        ledger.SetOwedWait(1500);
    }
    // A request begins at t; class R, three attempts.
    void ask(int64_t t, uint8_t sub, char data = 0, int attempts = 3, int64_t timeout = 300) {
        now = t;
        ledger.Begin(question(sub, data), timeout, attempts, t);
    }
    // Its next attempt goes out when the ledger says, if that is before until.
    int64_t send(int64_t until = TAnswerLedger::Never) {
        const int64_t at = ledger.NextAttemptAt();
        if (at == TAnswerLedger::Never || at > until)
            return -1;
        now = std::max(now, at);
        ledger.Made(now);
        ledger.Sent(now);
        return now;
    }
    Owner answer(int64_t t, uint8_t sub) {
        now = t;
        return ledger.Received(Tester, sub, t);
    }
    void end(bool answered) { ledger.Finish(answered, now); }
};

} // namespace

TEST(AnswerLedger, ALostAnswerOfAFastTesterCostsOneRetryAndNothingAfter) {
    Line l;
    l.ask(0, 0x15, 0);
    ASSERT_EQ(l.send(), 0);
    EXPECT_EQ(l.answer(10, 0x15), Owner::Waiting);
    l.end(true);
    EXPECT_EQ(l.ledger.AnswerTime(0x15), 10);

    l.ask(100, 0x15, 1);
    ASSERT_EQ(l.send(), 100);
    // Lost. The retry waits for the bus deadline, not for a second.
    EXPECT_EQ(l.send(), 601);
    EXPECT_EQ(l.answer(611, 0x15), Owner::Waiting);
    l.end(true);
    EXPECT_EQ(l.ledger.OpenAttempts(), 0u) << "the first attempt was lost, not slow";
    EXPECT_EQ(l.ledger.AnswerTime(0x15), 10);

    // The next entry goes out at once.
    l.ask(611, 0x15, 2);
    EXPECT_EQ(l.ledger.NextAttemptAt(), 611);
}

TEST(AnswerLedger, ARetryWaitsForTheMeasuredAnswerTimeOfASlowTester) {
    Line l;
    l.ask(0, 0x66, 1, 3, 800);
    l.send();
    EXPECT_EQ(l.answer(700, 0x66), Owner::Waiting);
    l.end(true);
    l.ask(1000, 0x66, 2, 3, 800);
    l.send();
    // Not at 1800 (the attempt's time) while its answer may still be on the way.
    EXPECT_EQ(l.ledger.NextAttemptAt(), 1000 + 700 + 50 + 175);
}

TEST(AnswerLedger, AnAnswerLaterThanTheAnswerTimeShowsASlowerTesterAndKeepsTheNewerAttemptOwed) {
    Line l;
    l.ask(0, 0x15, 0);
    l.send();
    l.answer(10, 0x15);
    l.end(true);
    // The tester slows to 700 ms: the retry at 601 goes out before the answer to 100 comes.
    l.ask(100, 0x15, 1);
    l.send();
    ASSERT_EQ(l.send(), 601);
    EXPECT_EQ(l.answer(800, 0x15), Owner::Waiting);
    l.end(true);
    EXPECT_EQ(l.ledger.AnswerTime(0x15), 700);
    // The next entry waits for the answer to 601 ...
    l.ask(800, 0x15, 2);
    EXPECT_GT(l.ledger.NextAttemptAt(), 1301);
    // ... which is nobody's when it comes, and then goes out.
    EXPECT_EQ(l.answer(1301, 0x15), Owner::Ended);
    EXPECT_LE(l.ledger.NextAttemptAt(), 1301);
}

TEST(AnswerLedger, TheCallersImmediateRepeatTakesTheAnswerOwedToTheRequestBefore) {
    Line l;
    // Slower than the three attempts: the request ends before any answer.
    l.ask(0, 0x11);
    l.send();
    l.send();
    l.now = 900;
    l.end(false);
    l.ask(900, 0x11);
    // It waits for the attempt before it, as a retry would ...
    EXPECT_EQ(l.ledger.NextAttemptAt(), 1002);
    // ... and takes its answer.
    EXPECT_EQ(l.answer(1000, 0x11), Owner::Waiting);
    l.end(true);
}

TEST(AnswerLedger, TheSameFrameAfterAnotherRequestAsksAnewAndWaitsForWhatIsOwed) {
    Line l;
    // $20 of one record, with an answer still owed; then the step $70; then $20 again.
    l.ask(0, 0x20, 0, 3, 800);
    l.send();
    l.answer(600, 0x20);
    l.end(true);
    l.ask(600, 0x20, 0, 3, 800); // the caller's repeat: no wait
    EXPECT_EQ(l.ledger.NextAttemptAt(), 600);
    l.send();
    l.now = 700;
    l.end(false);
    l.ask(700, 0x70, 'S', 1, 800);
    l.send();
    EXPECT_EQ(l.answer(1300, 0x70), Owner::Waiting);
    l.end(true);
    l.ask(1300, 0x20, 0, 3, 800);
    EXPECT_GT(l.ledger.NextAttemptAt(), 1300) << "the answer to 600 is another record's";
    EXPECT_EQ(l.answer(1200 + 1, 0x20), Owner::Ended);
}

TEST(AnswerLedger, OwedAnswersHoldARequestNoLongerThanTheOwedWait) {
    Line l;
    l.ledger.SetOwedWait(1500);
    // Never answered at all: its attempts merely seem lost.
    l.ask(0, 0x15, 0);
    l.send();
    l.send();
    l.now = 900;
    l.end(false);
    l.ask(1000, 0x15, 1);
    EXPECT_EQ(l.ledger.NextAttemptAt(), 501 + 1500);
    l.ask(1000, 0x34); // another kind: no wait
    EXPECT_EQ(l.ledger.NextAttemptAt(), 1000);
}

TEST(AnswerLedger, BeforeACodeIsMeasuredAnAnswerAmongSeveralAttemptsIsTheOldests) {
    Line l;
    // A tester at 700 ms from the start: the answer at 700 is the first attempt's.
    l.ask(0, 0x15, 0);
    l.send();
    l.send();
    EXPECT_EQ(l.answer(700, 0x15), Owner::Waiting);
    l.end(true);
    EXPECT_EQ(l.ledger.OpenAttempts(), 1u);
    l.ask(700, 0x15, 1);
    EXPECT_EQ(l.answer(1201, 0x15), Owner::Ended);
    EXPECT_EQ(l.ledger.AnswerTime(0x15), 700);
}

TEST(AnswerLedger, AGarbledFrameLetsTheRetryGoAtItsTime) {
    Line l;
    l.ask(0, 0x11);
    l.send();
    l.ledger.Garbled();
    EXPECT_EQ(l.ledger.NextAttemptAt(), 300);
}

TEST(AnswerLedger, NoAttemptGoesOutAfterTheRequestsEnd) {
    Line l;
    l.ask(0, 0x11);
    l.send();
    l.send();
    EXPECT_EQ(l.ledger.NextAttemptAt(), TAnswerLedger::Never) << "the third would go out at 1002, past 900";
    EXPECT_EQ(l.ledger.End(), 900);
}
