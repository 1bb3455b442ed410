#include "serial/SyncBus.h"

#include "platform/log_file.h"

#include <algorithm>
#include <cstdio>

namespace {

// Leeway of a late answer beyond twice its expected answer time.
constexpr int64_t lateMarginMs = 50;

} // namespace

TByteSet ByteSet(std::initializer_list<uint8_t> values) {
    TByteSet set;
    for (uint8_t v : values)
        set.set(v);
    return set;
}

// ---- tick thread ----

TTickThread::TTickThread(platform::Notifier::Poster poster, TSynchroBus* bus, uint32_t tickTime)
    : poster_(std::move(poster)), bus_(bus), tickTime_(tickTime) {}

TTickThread::~TTickThread() {
    Terminate();
    WaitFor();
}

void TTickThread::Start() {
    if (!thread_.joinable())
        thread_ = std::thread([this] { Execute(); });
}

void TTickThread::Terminate() {
    std::lock_guard lock(mutex_);
    terminated_ = true;
    wake_.notify_all();
}

void TTickThread::WaitFor() {
    if (thread_.joinable())
        thread_.join();
}

void TTickThread::SetTickTime(uint32_t ms) {
    tickTime_ = ms;
    std::lock_guard lock(mutex_);
    intervalChanged_ = true;
    wake_.notify_all();
}

void TTickThread::SetPriority(platform::TThreadPriority priority) {
    platform::applyThreadPriority(thread_, priority);
}

void TTickThread::Execute() {
    TSynchroBus* bus = bus_;
    poster_.post([bus] { bus->fire(bus->OnThreadExecuting); });
    std::unique_lock lock(mutex_);
    while (!terminated_) {
        lock.unlock();
        poster_.post([bus] { bus->DoTick(); });
        lock.lock();
        intervalChanged_ = false;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(tickTime_.load());
        wake_.wait_until(lock, until, [&] { return terminated_ || intervalChanged_; });
    }
    lock.unlock();
    poster_.post([bus] { bus->fire(bus->OnThreadTerminating); });
}

// ---- component ----

TSynchroBus::TSynchroBus(QObject* owner, const platform::MonotonicClock& clock)
    : QObject(owner), clock_(clock) {
    notifier_ = std::make_unique<platform::Notifier>();
    tickThread_ = std::make_unique<TTickThread>(notifier_->poster(), this, tickTime_);
    tickThread_->Start();
    tickThread_->SetPriority(priority_);
}

TSynchroBus::~TSynchroBus() {
    if (tickThread_) {
        tickThread_->Terminate();
        tickThread_->WaitFor();
        tickThread_.reset();
    }
    notifier_.reset();
    queue_.clear();
    if (cate_)
        cate_->ReleaseOnReceiveBData(this);
}

void TSynchroBus::SetTickTime(uint32_t ms) {
    if (ms < 1 || ms > 10000 || ms == tickTime_)
        return;
    tickTime_ = ms;
    if (tickThread_)
        tickThread_->SetTickTime(ms);
}

void TSynchroBus::SetPriority(platform::TThreadPriority priority) {
    if (priority == platform::TThreadPriority::tpTimeCritical || priority == priority_)
        return;
    priority_ = priority;
    if (tickThread_)
        tickThread_->SetPriority(priority);
}

void TSynchroBus::SetMode(TSynchroMode mode) {
    if (mode == mode_)
        return;
    mode_ = mode;
    if (mode == TSynchroMode::smSlave)
        deadline_ = 0;
}

void TSynchroBus::SetDataBytes(int32_t n) {
    if (n >= 1 && n <= 255)
        dataBytes_ = n;
}

void TSynchroBus::SetCate(TBusPort* port) {
    if (port == cate_.data())
        return;
    // The former port must not go on calling into this bus.
    if (cate_)
        cate_->ReleaseOnReceiveBData(this);
    cate_ = port;
    if (port)
        port->SetOnReceiveBData([this](const uint8_t* b, uint16_t n) { CateReceiveBData(b, n); }, this);
}

void TSynchroBus::fire(const TNotifyMsgEvent& event, const TProtok& frame) {
    if (!event)
        return;
    // Copies keep a handler that reassigns the event, or a nested wait that changes the
    // bus's buffers, from pulling either out from under the running handler.
    TNotifyMsgEvent handler = event;
    TProtok copy = frame;
    handler(*this, copy);
}

void TSynchroBus::fire(const TNotifyEvent& event) {
    if (!event)
        return;
    TNotifyEvent handler = event;
    handler(*this);
}

// ---- frames ----

void TSynchroBus::BuildMsg(uint8_t Id, uint8_t Sub, const TMsgData& Data, TProtok& Msg) const {
    Msg.fill(0);
    Msg[3] = Sub;
    const size_t n = std::min(Data.size(), static_cast<size_t>(dataBytes_));
    for (size_t i = 0; i < n; ++i)
        Msg[4 + i] = static_cast<uint8_t>(Data[i]);
    Msg[1] = Id;
    SealMsg(Msg);
}

void TSynchroBus::SealMsg(TProtok& Msg) const {
    Msg[0] = 'S';
    Msg[2] = MsgChecksum(Msg);
}

uint8_t TSynchroBus::MsgChecksum(const TProtok& Msg) const {
    unsigned sum = Msg[3];
    for (int i = 0; i < dataBytes_; ++i)
        sum += Msg[4 + i];
    return static_cast<uint8_t>(sum & 0xFF);
}

TMsgData TSynchroBus::MsgDataToStr(const TProtok& Msg) const {
    TMsgData s(reinterpret_cast<const char*>(&Msg[4]), static_cast<size_t>(dataBytes_));
    while (!s.empty() && s.back() == '\0')
        s.pop_back();
    return s;
}

TMsgData TSynchroBus::IntToMsgData(int32_t Value) const {
    const uint32_t v = static_cast<uint32_t>(Value);
    TMsgData s;
    const int n = std::min(dataBytes_, 4);
    for (int i = 0; i < n; ++i)
        s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    while (!s.empty() && s.back() == '\0')
        s.pop_back();
    return s;
}

std::string TSynchroBus::FormatMsg(const TProtok& Msg) const {
    char head[64];
    std::snprintf(head, sizeof head, "%c <$%02X> {%3d} [$%02X/%3d]", static_cast<char>(Msg[0]), Msg[1],
                  Msg[2], Msg[3], Msg[3]);
    std::string out = head;
    for (int i = 0; i < dataBytes_; ++i) {
        char b[8];
        std::snprintf(b, sizeof b, " %02X", Msg[4 + i]);
        out += b;
    }
    return out;
}

// ---- sending ----

bool TSynchroBus::deadlinePassed() const {
    return deadline_ != 0 && clock_.nowMs() > deadline_;
}

bool TSynchroBus::SendMsg(uint8_t Id, uint8_t Sub, const TMsgData& Data) {
    return Send(Id, Sub, Data, 0);
}

bool TSynchroBus::Send(uint8_t Id, uint8_t Sub, const TMsgData& Data, uint64_t request) {
    const bool passed = deadlinePassed();
    if (passed)
        fire(OnTimeOver);
    if (deadline_ == 0 || passed || deadlinePassed()) {
        // This attempt goes out now: an earlier one of its request still queued is not needed.
        if (request != 0)
            WithdrawQueued(request);
        rxIndex_ = 0;
        return CateSend(Id, Sub, Data, request);
    }
    if (OnStackMsg) {
        TProtok frame;
        BuildMsg(Id, Sub, Data, frame);
        fire(OnStackMsg, frame);
    }
    TStackMsg msg{Id, Sub, Data.substr(0, 255), request};
    // A retry takes the place of its request's attempt still waiting: one at most is queued.
    const auto earlier = request == 0
                             ? queue_.end()
                             : std::find_if(queue_.begin(), queue_.end(),
                                            [request](const TStackMsg& m) { return m.Request == request; });
    if (earlier != queue_.end())
        *earlier = std::move(msg);
    else
        queue_.push_back(std::move(msg));
    return false;
}

bool TSynchroBus::CateSendMsg(uint8_t Id, uint8_t Sub, const TMsgData& Data) {
    return CateSend(Id, Sub, Data, 0);
}

bool TSynchroBus::CateSend(uint8_t Id, uint8_t Sub, const TMsgData& Data, uint64_t request) {
    TProtok frame;
    BuildMsg(Id, Sub, Data, frame);
    fire(OnSendMsg, frame);
    if (!cate_) {
        if (writeLog_.contains(TWriteLog::wpError))
            WriteToLog("Kein Schnittstellenobjekt \"Cate\" verfügbar.");
        return true;
    }
    fire(OnCateSend, frame);
    bool ok = false;
    for (int attempt = 0; attempt < 2 && !ok; ++attempt) {
        deadline_ = std::max<int64_t>(1, clock_.nowMs() + msgTimeOut_);
        TBusPort* port = cate_.data();
        ok = port && port->SendData(frame.data(), static_cast<uint16_t>(dataBytes_ + 4));
        if (ok && request != 0 && request == request_) {
            attemptSettled_ = false;
            sentAt_.push_back(clock_.nowMs());
        }
        if (OnCateSent) {
            TNotifyMsgSentEvent handler = OnCateSent;
            TProtok copy = frame;
            handler(*this, copy, ok);
        }
        if (ok) {
            if (writeLog_.contains(TWriteLog::wpSend))
                WriteToLog("Gesendet: " + FormatMsg(frame));
        } else {
            if (writeLog_.contains(TWriteLog::wpError) || writeLog_.contains(TWriteLog::wpSend))
                WriteToLog("Senden mißlungen: " + FormatMsg(frame));
            Delay(10);
        }
    }
    if (mode_ == TSynchroMode::smSlave)
        deadline_ = 0;
    return ok;
}

void TSynchroBus::UnstackMsg() {
    if (queue_.empty())
        return;
    TStackMsg msg = std::move(queue_.front());
    queue_.pop_front();
    if (OnUnstackMsg) {
        TProtok frame;
        BuildMsg(msg.Id, msg.Sub, msg.Data, frame);
        fire(OnUnstackMsg, frame);
    }
    CateSend(msg.Id, msg.Sub, msg.Data, msg.Request);
}

void TSynchroBus::WithdrawQueued(uint64_t request) {
    std::erase_if(queue_, [request](const TStackMsg& m) { return m.Request == request; });
}

void TSynchroBus::CheckMsgTimeOut() {
    if (!deadlinePassed())
        return;
    // State first: a handler of OnTimeOver may send or wait.
    rxIndex_ = 0;
    deadline_ = 0;
    fire(OnTimeOver);
    UnstackMsg();
}

void TSynchroBus::DoTick() {
    fire(OnTick);
    CheckMsgTimeOut();
}

// ---- receiving ----

void TSynchroBus::CateReceiveBData(const uint8_t* Buffer, uint16_t Count) {
    if (Buffer)
        rxPending_.insert(rxPending_.end(), Buffer, Buffer + Count);
    // A handler may run the event loop and so deliver the next block while this one is
    // still being fed; whoever drains takes the bytes strictly in arrival order.
    while (!rxPending_.empty()) {
        const uint8_t b = rxPending_.front();
        rxPending_.pop_front();
        ReceiveChar(b);
    }
}

void TSynchroBus::ReceiveChar(uint8_t b) {
    if (deadlinePassed()) {
        rxIndex_ = 0;
        deadline_ = 0;
        fire(OnTimeOver);
    }
    if (rxIndex_ >= static_cast<int>(rxBuffer_.size()))
        rxIndex_ = 0;
    const int64_t now = clock_.nowMs();
    if (now - lastByteTime_ > charTimeOut_)
        rxIndex_ = 0;
    lastByteTime_ = now;
    if (rxIndex_ == 0 && b != 'S')
        return;
    rxBuffer_[static_cast<size_t>(rxIndex_)] = b;
    ++rxIndex_;
    if (rxIndex_ < dataBytes_ + 4) {
        if (OnCharReceived) {
            TNotifyReceiveEvent handler = OnCharReceived;
            handler(*this, b, false);
        }
        return;
    }
    // Complete: take the frame out and reset before any handler runs.
    const TProtok frame = rxBuffer_;
    rxIndex_ = 0;
    deadline_ = 0;
    if (OnCharReceived) {
        TNotifyReceiveEvent handler = OnCharReceived;
        handler(*this, b, true);
    }
    if (MsgChecksum(frame) == frame[2]) {
        HandleMsg(frame);
    } else {
        // Perhaps the waiting request's answer, garbled: its retry need not wait longer,
        // and no late answer is owed for that attempt.
        attemptSettled_ = true;
        if (request_ != 0 && requestAnswers_ < sentAt_.size())
            ++requestAnswers_;
        fire(OnBadMsg, frame);
    }
    UnstackMsg();
}

// A frame that answers an attempt of an ended request is that request's, not the waiting one's.
// It also tells how slow the peer is: the answers still owed come that much later.
bool TSynchroBus::TakeLateAnswer(const TProtok& frame) {
    const int64_t now = clock_.nowMs();
    std::erase_if(late_, [now](const TLateAnswers& l) { return !l.owed() || now > l.until; });
    for (TLateAnswers& l : late_) {
        if (l.subs.test(frame[3]) && l.ids.test(frame[1])) {
            const int64_t answerTime = now - l.sentAt[l.taken++];
            latency_[l.sub] = answerTime;
            l.until = std::max(l.until, l.sentAt.back() + 2 * answerTime + lateMarginMs);
            return true;
        }
    }
    return false;
}

void TSynchroBus::HandleMsg(const TProtok& frame) {
    if (writeLog_.contains(TWriteLog::wpReceive)) {
        WriteToLog("Empfang : " + FormatMsg(frame));
        WriteToLog("-----------");
    }
    fire(OnMsgReceived, frame);
    if (TakeLateAnswer(frame)) {
        fire(OnMsgUnhandled, frame);
        return;
    }
    if (subSet_.test(frame[3]) && idSet_.test(frame[1])) {
        if (!answered_) {
            StoreAnswer(frame);
            return;
        }
        // The answer to another attempt of a request that has its answer already.
        ++requestAnswers_;
    }
    fire(OnMsgUnhandled, frame);
}

void TSynchroBus::StoreAnswer(const TProtok& frame) {
    answerFrame_ = frame;
    answered_ = true;
    ++requestAnswers_;
    answeredAt_ = clock_.nowMs();
    // Before the end of this frame sends the next queued message: no retry goes out now.
    WithdrawQueued(request_);
}

// ---- synchronous request ----

bool TSynchroBus::RequestMsg(uint8_t Id, uint8_t Sub, const TMsgData& Data, const TByteSet& IdSet,
                             const TByteSet& SubSet, uint32_t Timeout, TProtok& Answer) {
    return Request(Id, Sub, Data, IdSet, SubSet, Timeout, maxTry_, Answer);
}

bool TSynchroBus::RequestOnce(uint8_t Id, uint8_t Sub, const TMsgData& Data, const TByteSet& IdSet,
                              const TByteSet& SubSet, uint32_t Timeout, TProtok& Answer) {
    return Request(Id, Sub, Data, IdSet, SubSet, Timeout, 1, Answer);
}

bool TSynchroBus::Request(uint8_t Id, uint8_t Sub, const TMsgData& Data, const TByteSet& IdSet,
                          const TByteSet& SubSet, uint32_t Timeout, int attempts, TProtok& Answer) {
    if (requesting_)
        return false;
    if (mode_ == TSynchroMode::smSlave) {
        answerFrame_.fill(0);
        SendMsg(Id, Sub, Data);
        idSet_.reset();
        subSet_.reset();
        Answer = answerFrame_;
        return false;
    }
    requesting_ = true;
    request_ = ++lastRequest_;
    requestAnswers_ = 0;
    sentAt_.clear();
    answerFrame_.fill(0);
    answered_ = false;
    AwaitLateAnswers(IdSet, SubSet);
    // Only now: a matching frame that came before the first send was not this request's.
    idSet_ = IdSet;
    subSet_ = SubSet;
    int attempt = 0;
    do {
        ++attempt;
        const int64_t end = clock_.nowMs() + static_cast<int64_t>(Timeout);
        // A retry waits for the bus deadline of the attempt before it, even where other
        // frames cleared that deadline: the answer may still be on its way, and a command
        // must not reach a slow tester twice.
        if (!sentAt_.empty())
            platform::waitUntil([this] { return answered_ || attemptSettled_; },
                                std::min(end, sentAt_.back() + msgTimeOut_), clock_);
        // Only while the request still waits: an attempt sent as it gives up is answered after
        // its end, and that answer would hold up the next request.
        if (!answered_ && clock_.nowMs() <= end)
            Send(Id, Sub, Data, request_);
        platform::waitUntil([this] { return answered_; }, end, clock_);
    } while (!answered_ && attempt < attempts);
    WithdrawQueued(request_);
    const int64_t answerTime = answered_ && !sentAt_.empty() ? answeredAt_ - sentAt_.front() : 0;
    if (answered_ && sentAt_.size() == 1)
        latency_[Sub] = answerTime;
    // Attempts that went out unanswered may still be answered, within twice the answer time
    // of this message after the last send: at least as long as this request waited for its
    // answer, else as last measured, else the wait of an attempt.
    if (requestAnswers_ < sentAt_.size()) {
        int64_t expected = latency_[Sub] > 0 ? latency_[Sub] : static_cast<int64_t>(Timeout);
        expected = std::max(expected, answerTime);
        const int64_t now = clock_.nowMs();
        std::erase_if(late_, [now](const TLateAnswers& l) { return now > l.until; });
        late_.push_back(
            TLateAnswers{idSet_, subSet_, Sub,
                         std::vector<int64_t>(sentAt_.begin() + static_cast<std::ptrdiff_t>(requestAnswers_),
                                              sentAt_.end()),
                         0, sentAt_.back() + 2 * expected + lateMarginMs});
    }
    idSet_.reset();
    subSet_.reset();
    request_ = 0;
    requesting_ = false;
    if (answered_)
        Answer = answerFrame_;
    return answered_;
}

// A frame lost on the way and an answer still coming look the same once the next request has
// sent: so that request sends only when the answers owed to an ended one of its kind have come,
// or can no longer come.
void TSynchroBus::AwaitLateAnswers(const TByteSet& ids, const TByteSet& subs) {
    const auto ofThisKind = [&](const TLateAnswers& l) {
        return (l.ids & ids).any() && (l.subs & subs).any();
    };
    // 0 once none is owed; a late answer that shows a slower peer moves it on.
    const auto owedUntil = [&] {
        int64_t until = 0;
        for (const TLateAnswers& l : late_)
            if (ofThisKind(l) && l.owed())
                until = std::max(until, l.until);
        return until;
    };
    for (int64_t until = owedUntil(); until > clock_.nowMs(); until = owedUntil())
        platform::waitUntil([&] { return owedUntil() != until; }, until, clock_);
    std::erase_if(late_, ofThisKind);
}

// A plain pause, not a deadline: it runs on the system clock even where a test fakes the bus clock.
void TSynchroBus::Delay(int64_t ms) {
    platform::delayMs(ms);
}

// ---- log ----

void TSynchroBus::WriteToLog(std::string Line) {
    const QDateTime when = QDateTime::currentDateTime();
    if (OnWriteToLog) {
        TNotifyLogEvent handler = OnWriteToLog;
        handler(*this, when, Line);
    }
    if (logFile_.empty())
        return;
    std::string out = platform::logTimestamp(when);
    if (logTicks_)
        out += platform::counterSuffix(platform::performanceCounter());
    out += ": ";
    out += Line;
    if (!platform::appendLineToFile(logFile_, out))
        logFile_.clear();
}
