#include "serial/SyncBus.h"

#include "platform/log_file.h"

#include <algorithm>
#include <cstdio>

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
        if (ok && request != 0 && request == request_)
            ledger_.Sent(clock_.nowMs());
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
        ledger_.Garbled();
        fire(OnBadMsg, frame);
    }
    UnstackMsg();
}

void TSynchroBus::HandleMsg(const TProtok& frame) {
    if (writeLog_.contains(TWriteLog::wpReceive)) {
        WriteToLog("Empfang : " + FormatMsg(frame));
        WriteToLog("-----------");
    }
    fire(OnMsgReceived, frame);
    // Only the waiting request's own answer is taken; answers owed to ended requests, and a
    // second answer to the waiting one, are unhandled.
    const bool ours = ledger_.Received(frame[1], frame[3], clock_.nowMs()) == TAnswerLedger::TOwner::Waiting;
    if (ours && !answered_ && requesting_ && subSet_.test(frame[3]) && idSet_.test(frame[1])) {
        StoreAnswer(frame);
        return;
    }
    fire(OnMsgUnhandled, frame);
}

void TSynchroBus::StoreAnswer(const TProtok& frame) {
    answerFrame_ = frame;
    answered_ = true;
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
    answerFrame_.fill(0);
    answered_ = false;
    idSet_ = IdSet;
    subSet_ = SubSet;
    // The question is the frame as it goes out: data cut or padded to DataBytes.
    TProtok frame;
    BuildMsg(Id, Sub, Data, frame);
    ledger_.Begin(
        {IdSet, SubSet, Sub,
         std::string(reinterpret_cast<const char*>(&frame[3]), static_cast<size_t>(dataBytes_ + 1))},
        Timeout, attempts, clock_.nowMs());
    for (;;) {
        const int64_t now = clock_.nowMs();
        if (answered_ || now > ledger_.End())
            break;
        const int64_t at = ledger_.NextAttemptAt();
        if (at <= now) {
            ledger_.Made(now);
            Send(Id, Sub, Data, request_);
            continue;
        }
        platform::waitUntil([this] { return answered_ || ledger_.NextAttemptAt() <= clock_.nowMs(); },
                            std::min(at, ledger_.End()), clock_);
    }
    WithdrawQueued(request_);
    ledger_.Finish(answered_, clock_.nowMs());
    idSet_.reset();
    subSet_.reset();
    request_ = 0;
    requesting_ = false;
    if (answered_)
        Answer = answerFrame_;
    return answered_;
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
