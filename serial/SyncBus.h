#pragma once

#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/thread_priority.h"
#include "serial/AnswerLedger.h"
#include "serial/BusPort.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One frame: "S", Id, checksum, Sub, data bytes; DataBytes + 4 of them go on the wire.
using TProtok = std::array<uint8_t, 260>;
// Message data as a byte string.
using TMsgData = std::string;

TByteSet ByteSet(std::initializer_list<uint8_t> values);

enum class TSynchroMode { smMaster, smSlave };
enum class TWriteLog : uint8_t { wpError = 1, wpReceive = 2, wpSend = 4 };

class TWriteLogSet {
public:
    constexpr TWriteLogSet() = default;
    constexpr TWriteLogSet(std::initializer_list<TWriteLog> items) {
        for (TWriteLog w : items)
            bits_ |= static_cast<uint8_t>(w);
    }
    constexpr bool contains(TWriteLog w) const { return bits_ & static_cast<uint8_t>(w); }
    constexpr bool operator==(const TWriteLogSet&) const = default;

private:
    uint8_t bits_ = 0;
};

// A queued outgoing message.
struct TStackMsg {
    uint8_t Id = 0;
    uint8_t Sub = 0;
    TMsgData Data;
    uint64_t Request = 0; // the request whose attempt this is, 0 for none
};

class TSynchroBus;

// Posts a tick to the bus every TickTime milliseconds.
class TTickThread {
public:
    TTickThread(platform::Notifier::Poster poster, TSynchroBus* bus, uint32_t tickTime);
    ~TTickThread();
    void Start();
    void Terminate();
    void WaitFor();
    void SetTickTime(uint32_t ms);
    void SetPriority(platform::TThreadPriority priority);

private:
    void Execute();

    platform::Notifier::Poster poster_;
    TSynchroBus* bus_;
    std::atomic<uint32_t> tickTime_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool terminated_ = false;
    bool intervalChanged_ = false;
    std::thread thread_;
};

class TSynchroBus : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TSynchroBus& sender)>;
    using TNotifyMsgEvent = std::function<void(TSynchroBus& sender, const TProtok& msg)>;
    using TNotifyReceiveEvent = std::function<void(TSynchroBus& sender, uint8_t recChar, bool accepted)>;
    using TNotifyMsgSentEvent = std::function<void(TSynchroBus& sender, const TProtok& msg, bool success)>;
    using TNotifyLogEvent =
        std::function<void(TSynchroBus& sender, const QDateTime& when, std::string& line)>;

    explicit TSynchroBus(QObject* owner = nullptr,
                         const platform::MonotonicClock& clock = platform::systemClock());
    ~TSynchroBus() override;

    // Properties.
    std::string Version() const { return "1.023"; }
    uint32_t TickTime() const { return tickTime_; }
    void SetTickTime(uint32_t ms);
    platform::TThreadPriority Priority() const { return priority_; }
    void SetPriority(platform::TThreadPriority priority);
    TSynchroMode Mode() const { return mode_; }
    void SetMode(TSynchroMode mode);
    TWriteLogSet WriteLog() const { return writeLog_; }
    void SetWriteLog(TWriteLogSet set) { writeLog_ = set; }
    int64_t MsgTimeOut() const { return msgTimeOut_; }
    void SetMsgTimeOut(int64_t ms) {
        msgTimeOut_ = ms;
        ledger_.SetBusDeadline(ms);
    }
    int64_t CharTimeOut() const { return charTimeOut_; }
    void SetCharTimeOut(int64_t ms) { charTimeOut_ = ms; }
    int32_t maxTry() const { return maxTry_; }
    void SetmaxTry(int32_t n) { maxTry_ = n; }
    TBusPort* Cate() const { return cate_.data(); }
    void SetCate(TBusPort* port);
    std::string LogFile() const { return logFile_; }
    void SetLogFile(const std::string& name) { logFile_ = name; }
    bool LogTicks() const { return logTicks_; }
    void SetLogTicks(bool on) { logTicks_ = on; }
    int32_t DataBytes() const { return dataBytes_; }
    void SetDataBytes(int32_t n);

    // Events, in the UI thread; each gets its own copy of the frame.
    TNotifyEvent OnTick;
    TNotifyEvent OnThreadExecuting;
    TNotifyEvent OnThreadTerminating;
    TNotifyMsgEvent OnMsgReceived;
    TNotifyMsgEvent OnMsgUnhandled;
    TNotifyMsgEvent OnBadMsg;
    TNotifyReceiveEvent OnCharReceived;
    TNotifyMsgEvent OnStackMsg;
    TNotifyMsgEvent OnUnstackMsg;
    TNotifyMsgEvent OnSendMsg;
    TNotifyMsgEvent OnCateSend;
    TNotifyMsgSentEvent OnCateSent;
    TNotifyLogEvent OnWriteToLog;
    TNotifyEvent OnTimeOver;

    // Frames.
    void BuildMsg(uint8_t Id, uint8_t Sub, const TMsgData& Data, TProtok& Msg) const;
    void SealMsg(TProtok& Msg) const;
    uint8_t MsgChecksum(const TProtok& Msg) const;
    TMsgData MsgDataToStr(const TProtok& Msg) const;
    TMsgData IntToMsgData(int32_t Value) const;
    std::string FormatMsg(const TProtok& Msg) const;

    // Sending, receiving, timing.
    bool SendMsg(uint8_t Id, uint8_t Sub, const TMsgData& Data);
    bool CateSendMsg(uint8_t Id, uint8_t Sub, const TMsgData& Data);
    void UnstackMsg();
    void CheckMsgTimeOut();
    void DoTick();
    void CateReceiveBData(const uint8_t* Buffer, uint16_t Count);
    void ReceiveChar(uint8_t b);
    void WriteToLog(std::string Line);

    // Sends and waits for a frame whose Id is in IdSet and Sub in SubSet, up to maxTry
    // attempts of Timeout ms each. A request made while another one waits fails at once
    // and sends nothing, so the waiting request keeps its own answer.
    // Which frame answers which request, when a retry goes out and how long a request first
    // waits for answers owed to others is the answer ledger's (serial/AnswerLedger.h); an
    // attempt still queued when its request ends is withdrawn.
    bool RequestMsg(uint8_t Id, uint8_t Sub, const TMsgData& Data, const TByteSet& IdSet,
                    const TByteSet& SubSet, uint32_t Timeout, TProtok& Answer);
    // The same with a single attempt, for a command that must not be carried out twice.
    bool RequestOnce(uint8_t Id, uint8_t Sub, const TMsgData& Data, const TByteSet& IdSet,
                     const TByteSet& SubSet, uint32_t Timeout, TProtok& Answer);
    bool RequestPending() const { return requesting_; }

    // Inner state, for callers that show it and for tests.
    int64_t AnswerDeadline() const { return deadline_; }
    int ReceiveIndex() const { return rxIndex_; }
    size_t QueuedCount() const { return queue_.size(); }

    // How long after an attempt its answer is still awaited, and the longest a request waits
    // for answers owed to others before its first send.
    int64_t LateAnswerWait() const { return ledger_.OwedWait(); }
    void SetLateAnswerWait(int64_t ms) { ledger_.SetOwedWait(ms); }
    // The tester's answer time for a code as the bus measured it; 0 before any answer.
    int64_t AnswerTime(uint8_t Sub) const { return ledger_.AnswerTime(Sub); }

    // Waits ms milliseconds while the event loop runs.
    void Delay(int64_t ms);

private:
    friend class TTickThread;
    bool Request(uint8_t Id, uint8_t Sub, const TMsgData& Data, const TByteSet& IdSet, const TByteSet& SubSet,
                 uint32_t Timeout, int attempts, TProtok& Answer);
    bool Send(uint8_t Id, uint8_t Sub, const TMsgData& Data, uint64_t request);
    bool CateSend(uint8_t Id, uint8_t Sub, const TMsgData& Data, uint64_t request);
    void WithdrawQueued(uint64_t request);
    void HandleMsg(const TProtok& frame);
    void StoreAnswer(const TProtok& frame);
    bool deadlinePassed() const;
    void fire(const TNotifyMsgEvent& event, const TProtok& frame);
    void fire(const TNotifyEvent& event);

    const platform::MonotonicClock& clock_;
    uint32_t tickTime_ = 1000;
    platform::TThreadPriority priority_ = platform::TThreadPriority::tpIdle;
    TSynchroMode mode_ = TSynchroMode::smMaster;
    TWriteLogSet writeLog_{TWriteLog::wpError, TWriteLog::wpReceive, TWriteLog::wpSend};
    int64_t msgTimeOut_ = 200;
    int64_t charTimeOut_ = 100;
    int32_t maxTry_ = 3;
    QPointer<TBusPort> cate_;
    std::string logFile_;
    bool logTicks_ = false;
    int32_t dataBytes_ = 8;

    TProtok rxBuffer_{};
    int rxIndex_ = 0;
    int64_t lastByteTime_ = 0;
    std::deque<uint8_t> rxPending_;
    std::deque<TStackMsg> queue_;
    int64_t deadline_ = 0;
    bool answered_ = false;
    bool requesting_ = false;
    TProtok answerFrame_{};
    TByteSet idSet_;
    TByteSet subSet_;
    // The waiting request, 0 for none.
    uint64_t request_ = 0;
    uint64_t lastRequest_ = 0;
    TAnswerLedger ledger_;

    std::unique_ptr<platform::Notifier> notifier_;
    std::unique_ptr<TTickThread> tickThread_;
};
