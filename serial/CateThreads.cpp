#include "serial/CateThreads.h"

#include "serial/PortLog.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <poll.h>

namespace {

// A write that keeps taking nothing is given up after this many tries.
constexpr int zeroWriteLimit = 3;

std::string hexBytes(const char* head, const uint8_t* bytes, size_t count) {
    std::string line = head;
    line.reserve(line.size() + 3 * count);
    char b[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(b, sizeof b, " %2.2X", bytes[i]);
        line += b;
    }
    return line;
}

const char* const providerClosed = "ERROR_INVALID_HANDLE, Port wurde vom Provider geschlossen";

} // namespace

TPortThread::TPortThread(int index, std::shared_ptr<platform::CommDevice> port,
                         std::shared_ptr<platform::CommEvent> closeEvent, TPostToWindow window)
    : port_(std::move(port)), closeEvent_(std::move(closeEvent)), index_(index), window_(std::move(window)) {}

TPortThread::~TPortThread() {
    Join();
}

void TPortThread::Create() {
    thread_ = std::thread([this] { Run(); });
}

void TPortThread::Resume() {
    std::lock_guard lock(mutex_);
    released_ = true;
    cond_.notify_all();
}

void TPortThread::SetPriority(platform::TThreadPriority priority) {
    platform::applyThreadPriority(thread_, priority);
}

bool TPortThread::WaitFor(int ms) {
    std::unique_lock lock(mutex_);
    return cond_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return ended_; });
}

void TPortThread::Join() {
    if (!thread_.joinable())
        return;
    // A thread still held was never released: let it go so that it can end.
    Resume();
    thread_.join();
}

void TPortThread::Run() {
    {
        std::unique_lock lock(mutex_);
        cond_.wait(lock, [&] { return released_; });
    }
    Execute();
    std::lock_guard lock(mutex_);
    ended_ = true;
    cond_.notify_all();
}

bool TPortThread::Post(uint32_t msg, uintptr_t wParam, std::vector<uint8_t> block) {
    return window_ && window_(msg, wParam, std::move(block));
}

void TPortThread::PostHangupCall() {
    if (hangupPosted_)
        return;
    hangupPosted_ = true;
    Post(CM_HANGUP, static_cast<uintptr_t>(index_));
}

void TReadThread::Execute() {
    using platform::CommWait;
    bool failed = false;
    if (const platform::CommResult r =
            port_->setCommMask(platform::EV_RXCHAR | platform::EV_TXEMPTY | platform::EV_CTS |
                               platform::EV_DSR | platform::EV_BREAK | platform::EV_ERR);
        !r) {
        LogCommError(r.error, 1139);
        PostHangupCall();
        failed = true;
    } else {
        Post(CM_READY, 0);
    }
    while (!failed) {
        uint32_t mask = 0;
        const platform::CommWaitResult w = port_->waitInput(*closeEvent_, mask);
        if (w.status == CommWait::Closed)
            break;
        if (w.status == CommWait::Failed) {
            LogCommError(w.error, 1221);
            PostHangupCall();
            failed = true;
        } else if (w.status == CommWait::HungUp) {
            WriteCateLog(providerClosed);
            failed = true;
        } else if (w.status == CommWait::LineEvent) {
            if (const platform::CommResult handled = HandleCommEvent(mask); !handled) {
                PostHangupCall();
                LogCommError(handled.error, 1184);
                failed = true;
            }
        } else if (const platform::CommResult handled = HandleReadEvent(); !handled) {
            if (Closing())
                break;
            LogCommError(handled.error, 1206);
            failed = true;
        }
    }
    // Ending on an error is a hang-up; ending on the close event is not.
    if (failed && !Closing())
        PostHangupCall();
    WriteCateLog("Read Thread wird beendet");
    port_->purgeComm(platform::PURGE_RXABORT | platform::PURGE_RXCLEAR);
}

platform::CommResult TReadThread::HandleReadEvent() {
    size_t got = 0;
    const platform::CommIoResult r = port_->read(buffer_.data(), buffer_.size(), got, *closeEvent_);
    switch (r.status) {
    case platform::CommIo::Done:
        // Nothing there after all (a purge took it): no failure, the wait goes on.
        return got == 0 || PostReceivedData(buffer_.data(), got);
    case platform::CommIo::Closed:
        return false;
    case platform::CommIo::HungUp:
        WriteCateLog(providerClosed);
        return platform::CommResult::failed(r.error);
    default:
        LogCommError(r.error, 1435);
        PostHangupCall();
        return platform::CommResult::failed(r.error);
    }
}

bool TReadThread::PostReceivedData(const uint8_t* bytes, size_t count) {
    if (count == 0)
        return false;
    std::vector<uint8_t> block(bytes, bytes + count);
    const bool posted = Post(CM_RECEIVEDATA, count, std::move(block));
    if (portLog().file.isOpen())
        WriteCateLog(hexBytes("Daten wurden empfangen:", bytes, count));
    return posted;
}

platform::CommResult TReadThread::HandleCommEvent(uint32_t mask) {
    bool recognised = false;
    if (mask & platform::EV_ERR) {
        uint32_t errors = 0;
        if (const platform::CommResult cleared = port_->clearCommError(errors); cleared) {
            recognised = true;
            if (errors) {
                char line[32];
                std::snprintf(line, sizeof line, "CommError: $%4.4X", errors);
                WriteCateLog(line);
            }
            if (errors & platform::CE_FRAME)
                Post(CM_FRAMEERROR);
            if (errors & platform::CE_OVERRUN)
                Post(CM_OVERRUN);
            if (errors & platform::CE_RXPARITY)
                Post(CM_RXPARITY);
        } else if (cleared.error == EBADF) {
            WriteCateLog(providerClosed);
            return cleared;
        } else {
            LogCommError(cleared.error, 1606);
        }
    }
    if (mask & platform::EV_BREAK) {
        WriteCateLog("BREAK detected");
        Post(CM_BREAK);
        recognised = true;
    }
    uint32_t status = 0;
    if ((mask & platform::EV_CTS) && port_->getCommModemStatus(status)) {
        const bool on = status & platform::MS_CTS_ON;
        WriteCateLog(on ? "CTS ON detected" : "CTS OFF detected");
        Post(CM_CTS, on ? 1 : 0);
        recognised = true;
    }
    if ((mask & platform::EV_DSR) && port_->getCommModemStatus(status)) {
        const bool on = status & platform::MS_DSR_ON;
        WriteCateLog(on ? "DSR ON detected" : "DSR OFF detected");
        Post(CM_DSR, on ? 1 : 0);
        recognised = true;
    }
    if (mask & platform::EV_RXCHAR) {
        Post(CM_RXCHAR);
        recognised = true;
    }
    if (mask & platform::EV_TXEMPTY) {
        Post(CM_TXEMPTY);
        recognised = true;
    }
    if (!recognised)
        WriteCateLog("Unerwarteter Schnittstellenevent " + std::to_string(mask));
    return recognised;
}

TWriteThread::TWriteThread(std::shared_ptr<platform::CommDevice> port,
                           std::shared_ptr<platform::CommEvent> closeEvent, TPostToWindow window)
    : TPortThread(1, std::move(port), std::move(closeEvent), std::move(window)),
      queue_(std::make_shared<platform::ThreadQueue<TThreadMsg>>()) {}

void TWriteThread::Execute() {
    bool failed = false;
    if (!queue_->valid()) {
        // The queue was made in the UI thread, which also took its error.
        LogCommError(queue_->createError(), 1687);
        PostHangupCall();
        failed = true;
    } else {
        Post(CM_READY, 1);
    }
    while (!failed) {
        TThreadMsg msg;
        if (queue_->take(msg)) {
            if (Closing()) {
                queue_->done();
                break;
            }
            if (msg.Message == CM_SENDDATA) {
                const size_t count = std::min<size_t>(msg.WParam, msg.Block.size());
                if (portLog().file.isOpen())
                    WriteCateLog(hexBytes("Daten werden gesendet:", msg.Block.data(), count));
                const bool ok = WriteCommData(msg.Block.data(), count);
                msg.Block.clear();
                queue_->done();
                if (!ok) {
                    WriteCateLog("Fehler beim Senden im Write Thread");
                    failed = !Closing();
                    break;
                }
            } else {
                WriteCateLog("Unerwartete Message im Write Thread: " + std::to_string(msg.Message));
                queue_->done();
            }
            continue;
        }
        pollfd p[2] = {{closeEvent_->fd(), POLLIN, 0}, {queue_->wakeFd(), POLLIN, 0}};
        const int r = ::poll(p, 2, -1);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            LogCommError(errno, 1714);
            failed = true;
        } else if (p[0].revents) {
            break;
        }
    }
    // What was not taken is freed here, and nothing more is accepted, before the
    // component hears of a failure.
    queue_->close();
    if (failed)
        PostHangupCall();
    WriteCateLog("Write Thread wird beendet");
    if (purgeOnEnd_)
        port_->purgeComm(platform::PURGE_TXABORT | platform::PURGE_TXCLEAR);
}

bool TWriteThread::WriteCommData(const uint8_t* block, size_t count) {
    size_t written = 0;
    int zeroWrites = 0;
    while (written < count) {
        size_t n = 0;
        const platform::CommIoResult r = port_->write(block + written, count - written, n, *closeEvent_);
        switch (r.status) {
        case platform::CommIo::Done:
            if (n == 0 && ++zeroWrites >= zeroWriteLimit) {
                LogCommError(EIO, 1852);
                WriteCateLog("TAPI wird geschlossen");
                return false;
            }
            written += n;
            break;
        case platform::CommIo::Closed:
            return false;
        case platform::CommIo::HungUp:
            WriteCateLog(providerClosed);
            return false;
        case platform::CommIo::WaitFailed:
            LogCommError(r.error, 1882);
            return false;
        case platform::CommIo::Failed:
            LogCommError(r.error, 1852);
            WriteCateLog("TAPI wird geschlossen");
            return false;
        }
    }
    return true;
}
