#pragma once

#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/thread_priority.h"
#include "serial/BusPort.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <array>
#include <atomic>
#include <bitset>
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
// A set of byte values (Id or Sub) that an awaited answer may carry.
using TByteSet = std::bitset<256>;
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
    void SetMsgTimeOut(int64_t ms) { msgTimeOut_ = ms; }
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
    // An answer only ever ends the request it belongs to: each attempt is handed to SendMsg
    // while the request still waits (a retry once the bus deadline of the attempt before it
    // has passed), queued in the place of an earlier attempt still waiting, so at most one
    // waits; what is still queued when the request ends is withdrawn. A request whose kind
    // still has answers owed to an ended request holds its first send until they came or
    // their time is up (twice the answer time after the last send, plus a margin; the answer
    // time is at least what the ended request or a late answer showed); matching frames
    // before that are unhandled.
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

    // Waits ms milliseconds while the event loop runs.
    void Delay(int64_t ms);

private:
    friend class TTickThread;
    // Answers still owed to an ended request: the next frames matching the sets before until
    // are theirs, one for each attempt in sentAt from taken on, in the order they went out.
    struct TLateAnswers {
        TByteSet ids;
        TByteSet subs;
        uint8_t sub = 0; // the request's own code
        std::vector<int64_t> sentAt;
        size_t taken = 0;
        int64_t until = 0;
        bool owed() const { return taken < sentAt.size(); }
    };

    bool Request(uint8_t Id, uint8_t Sub, const TMsgData& Data, const TByteSet& IdSet, const TByteSet& SubSet,
                 uint32_t Timeout, int attempts, TProtok& Answer);
    bool Send(uint8_t Id, uint8_t Sub, const TMsgData& Data, uint64_t request);
    bool CateSend(uint8_t Id, uint8_t Sub, const TMsgData& Data, uint64_t request);
    void WithdrawQueued(uint64_t request);
    void AwaitLateAnswers(const TByteSet& ids, const TByteSet& subs);
    bool TakeLateAnswer(const TProtok& frame);
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
    // The waiting request: its attempts on the wire and the answers it got.
    uint64_t request_ = 0;
    uint64_t lastRequest_ = 0;
    size_t requestAnswers_ = 0;
    std::vector<int64_t> sentAt_; // when each attempt of the waiting request went out
    int64_t answeredAt_ = 0;
    bool attemptSettled_ = false; // the last attempt got a frame that may have been its answer
    std::vector<TLateAnswers> late_;
    // Answer time last seen for each message code, 0 = none yet.
    std::array<int64_t, 256> latency_{};

    std::unique_ptr<platform::Notifier> notifier_;
    std::unique_ptr<TTickThread> tickThread_;
};
