#pragma once

#include "tester/TesterMessages.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <utility>

// Program-wide: one synchronous exchange with the tester at a time. While an exchange
// waits, the event loop runs timers and clicks; an exchange started from one of them
// would take over the waiting one's answer. What the user asks for meanwhile waits its
// turn (Perform) and runs once the gate is free again.
class TExchangeGate {
public:
    using TAction = std::function<void()>;

    bool Busy() const { return busy_; }
    // User actions are waiting for their turn.
    bool Waiting() const { return !waiting_.empty(); }

    // A user's action: runs at once when no exchange runs and no other action waits, else as
    // soon as the running ones have ended, in the order asked. Asked again under a key
    // (not 0) whose action still waits, the new one replaces it and goes to the end: the
    // latest choice counts, once. Returns whether it ran at once.
    bool Perform(int key, TAction action);
    // As Perform, but never inside the caller: from the scheduler, or at once without one.
    // For what a focus or key event asks for. The mouse press that took the focus from an edit
    // must reach its button before an exchange lets the event loop run, or the release is
    // handled first and the click is lost; queued here, a click that follows runs after it.
    void Post(int key, TAction action);

    // How the gate comes back to the waiting actions once an exchange has ended. The window
    // posts it to its event loop, so that it never runs inside another's code; without a
    // scheduler it runs at once.
    void SetScheduler(std::function<void(TAction)> scheduler) { scheduler_ = std::move(scheduler); }

    // Holds the gate while it lives; Acquired() is false when another exchange has it.
    class TScope {
    public:
        explicit TScope(TExchangeGate& gate) : gate_(gate.busy_ ? nullptr : &gate) {
            if (gate_)
                gate_->busy_ = true;
        }
        ~TScope() {
            if (gate_)
                gate_->Release();
        }
        TScope(const TScope&) = delete;
        TScope& operator=(const TScope&) = delete;
        bool Acquired() const { return gate_ != nullptr; }

    private:
        TExchangeGate* gate_;
    };

private:
    void Enqueue(int key, TAction action);
    void Schedule();
    void Release();
    void RunWaiting();

    bool busy_ = false;
    bool running_ = false; // an action of Perform runs
    std::deque<std::pair<int, TAction>> waiting_;
    std::function<void(TAction)> scheduler_;
};

// The tester at the other end of the serial line, as every part of the program that talks to it
// sees it: the settings writers, identification, language, the refresh of the live state, live
// display, mode table, key commands, the retrieval and the record windows.
class ITesterLink {
public:
    virtual ~ITesterLink() = default;
    // The port is open.
    virtual bool Connected() const = 0;
    // 0..3 from the tester's program version; 0 while none is connected.
    virtual int FirmwareLevel() const = 0;
    // The connected tester's ten-digit serial number; empty when disconnected.
    virtual QString TesterSerialNumber() const = 0;
    // The configured answer time-out of a class, in milliseconds.
    virtual uint32_t AnswerTimeout(TTimeoutClass c) const = 0;
    // A request to the tester (Id MsgIdPc, answer: a tester frame with code Sub).
    virtual bool RequestMsg(uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs, TProtok& Answer) = 0;
    // The same with a single attempt: for a command the tester must not carry out twice.
    virtual bool RequestOnce(uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs, TProtok& Answer) = 0;
    // A frame to the tester (Id MsgIdPc) that awaits no answer: the refresh and autosend orders,
    // whose answers come as refresh frames. It waits behind a frame that awaits its answer.
    // True when it went out at once.
    virtual bool SendMsg(uint8_t Sub, const TMsgData& Data) = 0;
    // The same straight to the port, ahead of what waits: for the last frame before the port
    // closes. True when the port took it.
    virtual bool SendMsgNow(uint8_t Sub, const TMsgData& Data) = 0;
    // The refresh of the live state stops while a writer exchanges with the tester.
    virtual void PauseRefresh() = 0;
    virtual void ResumeRefresh() = 0;
    // One synchronous exchange with the tester at a time, program-wide.
    virtual TExchangeGate& ExchangeGate() = 0;
};

// The link over the main window's bus and gate, with the configured answer time-outs. The
// connected tester's firmware level and serial number are the program's (Globals).
class TTesterLink final : public ITesterLink {
public:
    // What only the window holding the port knows: whether it is open, and how its refresh of
    // the live state pauses and resumes. Left empty: no port open, no refresh to pause.
    struct TWindow {
        std::function<bool()> Connected;
        std::function<void()> PauseRefresh;
        std::function<void()> ResumeRefresh;
    };

    TTesterLink(TSynchroBus& bus, TExchangeGate& gate, TWindow window)
        : bus_(bus), gate_(gate), window_(std::move(window)) {}

    bool Connected() const override;
    int FirmwareLevel() const override;
    QString TesterSerialNumber() const override;
    // A value outside the three classes waits as long as class R, an ordinary request.
    uint32_t AnswerTimeout(TTimeoutClass c) const override;
    bool RequestMsg(uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs, TProtok& Answer) override;
    bool RequestOnce(uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs, TProtok& Answer) override;
    bool SendMsg(uint8_t Sub, const TMsgData& Data) override;
    bool SendMsgNow(uint8_t Sub, const TMsgData& Data) override;
    void PauseRefresh() override;
    void ResumeRefresh() override;
    TExchangeGate& ExchangeGate() override { return gate_; }

private:
    TSynchroBus& bus_;
    TExchangeGate& gate_;
    TWindow window_;
};
