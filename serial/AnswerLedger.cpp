#include "serial/AnswerLedger.h"

#include <algorithm>
#include <cstdlib>

// Leeway around an answer time: the tester's own jitter and the computer's.
int64_t TAnswerLedger::Margin(int64_t answerTime) {
    return 50 + answerTime / 4;
}

// A code not asked yet is given the slowest that any code measured: frames the tester sends by
// itself make some codes look fast.
int64_t TAnswerLedger::AnswerTime(uint8_t sub) const {
    return answerTime_[sub] > 0 ? answerTime_[sub] : *std::max_element(measured_.begin(), measured_.end());
}

void TAnswerLedger::Measure(uint8_t sub, int64_t answerTime, bool oneOpen) {
    answerTime_[sub] = std::max<int64_t>(1, answerTime);
    // Only a measurement stands for the tester as a whole; what an answer among several open
    // attempts suggests holds for its own code.
    if (oneOpen)
        measured_[sub] = answerTime_[sub];
}

int64_t TAnswerLedger::OverdueAt(const TAttempt& a) const {
    const int64_t t = AnswerTime(a.Sub);
    const int64_t afterDeadline = a.SentAt + busDeadline_ + 1;
    return t > 0 ? std::max(afterDeadline, a.SentAt + t + Margin(t)) : afterDeadline;
}

// An attempt of a request that got an answer is owed while its answer time allows; one of a
// request that got none merely seems lost, and is owed as long as any answer is.
int64_t TAnswerLedger::OwedUntil(const TAttempt& a) const {
    const int64_t t = answerTime_[a.Sub];
    if (!a.ChainAnswered || t == 0)
        return a.SentAt + owedWait_;
    return std::min(a.SentAt + t + Margin(t), a.SentAt + owedWait_);
}

const TAnswerLedger::TAttempt* TAnswerLedger::NewestOfChain() const {
    for (auto it = open_.rbegin(); it != open_.rend(); ++it)
        if (it->Chain == chain_)
            return it->SentAt == lastSentAt_ ? &*it : nullptr;
    return nullptr;
}

void TAnswerLedger::Expire(int64_t now) {
    std::erase_if(open_, [&](const TAttempt& a) { return now - a.SentAt > owedWait_; });
}

void TAnswerLedger::Begin(const TQuestion& question, int64_t timeout, int attempts, int64_t now) {
    Expire(now);
    continues_ = hasQuestion_ && question == question_;
    if (!continues_) {
        chain_ = ++chains_;
        chainAnswered_ = false;
        lastSentAt_ = 0;
    }
    question_ = question;
    hasQuestion_ = true;
    waiting_ = true;
    begin_ = now;
    timeout_ = std::max<int64_t>(0, timeout);
    attempts_ = std::max(1, attempts);
    made_ = 0;
    sent_ = false;
    firstAt_ = 0;
}

int64_t TAnswerLedger::FirstAttemptAt() const {
    int64_t at = begin_;
    if (continues_) {
        // The attempt before this request is still on its way: wait for it as for a retry.
        if (const TAttempt* last = NewestOfChain())
            at = OverdueAt(*last);
    } else {
        for (const TAttempt& a : open_)
            if (a.Chain != chain_ && (a.Ids & question_.Ids).any() && (a.Subs & question_.Subs).any())
                at = std::max(at, OwedUntil(a));
    }
    return std::max(begin_, std::min(at, begin_ + owedWait_));
}

int64_t TAnswerLedger::End() const {
    return (made_ == 0 ? FirstAttemptAt() : firstAt_) + attempts_ * timeout_;
}

int64_t TAnswerLedger::NextAttemptAt() const {
    if (!waiting_ || made_ >= attempts_)
        return Never;
    if (made_ == 0)
        return FirstAttemptAt();
    int64_t at = firstAt_ + made_ * timeout_;
    if (const TAttempt* last = NewestOfChain())
        at = std::max(at, OverdueAt(*last));
    // Once an attempt is out, a retry whose answer cannot come before the request gives up
    // would only be owed.
    const int64_t end = End();
    if (at >= end || (sent_ && at + AnswerTime(question_.Sub) > end))
        return Never;
    return at;
}

void TAnswerLedger::Made(int64_t now) {
    if (made_ == 0)
        firstAt_ = now;
    ++made_;
}

void TAnswerLedger::Sent(int64_t now) {
    open_.push_back(TAttempt{chain_, question_.Ids, question_.Subs, question_.Sub, now, chainAnswered_});
    lastSentAt_ = now;
    sent_ = true;
}

TAnswerLedger::TOwner TAnswerLedger::Received(uint8_t id, uint8_t sub, int64_t now) {
    Expire(now);
    std::vector<size_t> candidates;
    for (size_t i = 0; i < open_.size(); ++i)
        if (open_[i].Ids.test(id) && open_[i].Subs.test(sub) && open_[i].SentAt <= now)
            candidates.push_back(i);
    if (candidates.empty()) {
        // A frame the tester sent by itself: the waiting request takes it once it has asked.
        const bool asked = made_ > 0 || continues_;
        return waiting_ && asked && question_.Ids.test(id) && question_.Subs.test(sub) ? TOwner::Waiting
                                                                                       : TOwner::Nobody;
    }

    const TAttempt& oldest = open_[candidates.front()];
    const TAttempt& newest = open_[candidates.back()];
    // Only this code's own answer time tells whose answer it is.
    const int64_t t = answerTime_[sub];
    size_t owner = candidates.front();
    if (candidates.size() == 1) {
        Measure(sub, now - oldest.SentAt, true);
    } else if (t == 0) {
        // Not measured yet: the oldest attempt's, so that the newer ones stay owed.
    } else {
        const int64_t margin = Margin(t);
        int64_t best = margin + 1;
        for (size_t i : candidates) {
            const int64_t off = std::llabs(now - open_[i].SentAt - t);
            if (off < best) {
                best = off;
                owner = i;
            }
        }
        if (best > margin) {
            if (now - newest.SentAt > t + margin) {
                // Later than the answer time allows after the newest attempt: the tester has
                // slowed down, and the newer attempts may still be answered.
                owner = candidates.front();
                Measure(sub, now - oldest.SentAt, false);
            } else {
                // Sooner than expected for every attempt: within one request the newest is
                // the likely one; across requests the older one's, so that none takes another's.
                owner = oldest.Chain == newest.Chain ? candidates.back() : candidates.front();
            }
        }
        // The others were overdue: one attempt was outstanding, and this measures the tester.
        const bool alone = std::all_of(candidates.begin(), candidates.end(),
                                       [&](size_t i) { return i == owner || now > OverdueAt(open_[i]); });
        if (alone && now <= OverdueAt(open_[owner]))
            Measure(sub, now - open_[owner].SentAt, true);
    }

    const uint64_t chain = open_[owner].Chain;
    const int64_t ownerSentAt = open_[owner].SentAt;
    // Attempts sent before the answered one got no answer: the tester answers in order.
    for (auto it = candidates.rbegin(); it != candidates.rend(); ++it)
        if (open_[*it].SentAt <= ownerSentAt)
            open_.erase(open_.begin() + static_cast<std::ptrdiff_t>(*it));
    return waiting_ && chain == chain_ ? TOwner::Waiting : TOwner::Ended;
}

void TAnswerLedger::Garbled() {
    if (!waiting_)
        return;
    const auto it =
        std::find_if(open_.begin(), open_.end(), [&](const TAttempt& a) { return a.Chain == chain_; });
    if (it != open_.end())
        open_.erase(it);
}

void TAnswerLedger::Finish(bool answered, int64_t now) {
    if (answered) {
        chainAnswered_ = true;
        for (TAttempt& a : open_)
            if (a.Chain == chain_)
                a.ChainAnswered = true;
    }
    waiting_ = false;
    Expire(now);
}
