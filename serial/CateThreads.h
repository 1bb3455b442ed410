#pragma once

#include "platform/comm_port.h"
#include "platform/thread_priority.h"
#include "platform/thread_queue.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Notifications of the port threads to the component (WM_USER + n).
inline constexpr uint32_t WM_USER = 0x0400;
inline constexpr uint32_t CM_SENDDATA = WM_USER + 1;
inline constexpr uint32_t CM_RECEIVEDATA = WM_USER + 2;
inline constexpr uint32_t CM_HANGUP = WM_USER + 3;
inline constexpr uint32_t CM_READY = WM_USER + 4;
inline constexpr uint32_t CM_FRAMEERROR = WM_USER + 5;
inline constexpr uint32_t CM_OVERRUN = WM_USER + 6;
inline constexpr uint32_t CM_RXPARITY = WM_USER + 7;
inline constexpr uint32_t CM_BREAK = WM_USER + 8;
inline constexpr uint32_t CM_CTS = WM_USER + 9;
inline constexpr uint32_t CM_DSR = WM_USER + 10;
inline constexpr uint32_t CM_RXCHAR = WM_USER + 11;
inline constexpr uint32_t CM_TXEMPTY = WM_USER + 12;

// A message to the write thread; the block goes with it.
struct TThreadMsg {
    uint32_t Message = 0;
    uintptr_t WParam = 0;
    std::vector<uint8_t> Block;
};

// Base of the two port threads: started held, released once the component has logged
// its creation; ended by the close event.
class TPortThread {
public:
    using TPostToWindow = std::function<bool(uint32_t msg, uintptr_t wParam, std::vector<uint8_t> block)>;

    // index: 0 for the read thread, 1 for the write thread, as in their notifications.
    TPortThread(int index, std::shared_ptr<platform::CommDevice> port,
                std::shared_ptr<platform::CommEvent> closeEvent, TPostToWindow window);
    virtual ~TPortThread();
    TPortThread(const TPortThread&) = delete;
    TPortThread& operator=(const TPortThread&) = delete;

    void Create(); // throws std::system_error when no thread can be made
    void Resume();
    void SetPriority(platform::TThreadPriority priority);
    bool WaitFor(int ms); // true once Execute has returned
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }
    void Join();

protected:
    virtual void Execute() = 0;
    bool Post(uint32_t msg, uintptr_t wParam = 0, std::vector<uint8_t> block = {});
    // Once per thread: the component learns that this thread gave up.
    void PostHangupCall();
    bool Closing() const { return closeEvent_->isSignalled(); }

    std::shared_ptr<platform::CommDevice> port_;
    std::shared_ptr<platform::CommEvent> closeEvent_;

private:
    void Run();

    int index_;
    TPostToWindow window_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable cond_;
    bool released_ = false;
    bool ended_ = false;
    bool hangupPosted_ = false;
    std::atomic<bool> terminated_{false};
};

class TReadThread final : public TPortThread {
public:
    TReadThread(std::shared_ptr<platform::CommDevice> port, std::shared_ptr<platform::CommEvent> closeEvent,
                TPostToWindow window)
        : TPortThread(0, std::move(port), std::move(closeEvent), std::move(window)) {}
    ~TReadThread() override { Join(); }

private:
    void Execute() override;
    platform::CommResult HandleCommEvent(uint32_t mask);
    platform::CommResult HandleReadEvent();
    bool PostReceivedData(const uint8_t* bytes, size_t count);

    std::vector<uint8_t> buffer_ = std::vector<uint8_t>(2048);
};

class TWriteThread final : public TPortThread {
public:
    TWriteThread(std::shared_ptr<platform::CommDevice> port, std::shared_ptr<platform::CommEvent> closeEvent,
                 TPostToWindow window);
    ~TWriteThread() override { Join(); }
    // The thread's message queue; it exists before the thread runs.
    platform::ThreadQueue<TThreadMsg>& Queue() { return *queue_; }
    // Off once everything handed over went out: the end then has nothing to throw away.
    void SetPurgeOnEnd(bool on) { purgeOnEnd_ = on; }

private:
    void Execute() override;
    bool WriteCommData(const uint8_t* block, size_t count);

    std::shared_ptr<platform::ThreadQueue<TThreadMsg>> queue_;
    std::atomic<bool> purgeOnEnd_{true};
};
