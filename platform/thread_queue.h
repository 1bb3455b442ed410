#pragma once

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

namespace platform {

// A thread's message queue: created before the thread starts, woken through an eventfd.
template <typename T> class ThreadQueue {
public:
    ThreadQueue() { wake_.create(); }
    bool valid() const { return wake_.fd() >= 0; }
    // Why the queue is not valid: taken where its creation failed, in the thread that made it.
    int createError() const { return wake_.error(); }
    int wakeFd() const { return wake_.fd(); }

    bool post(T item) {
        {
            std::lock_guard lock(mutex_);
            if (closed_)
                return false;
            items_.push_back(std::move(item));
            ++busy_;
        }
        wake_.signal();
        return true;
    }
    // Takes the next item without waiting; the taker calls done() once it handled it.
    bool take(T& item) {
        std::lock_guard lock(mutex_);
        if (items_.empty()) {
            wake_.reset();
            return false;
        }
        item = std::move(items_.front());
        items_.pop_front();
        return true;
    }
    void done() {
        std::lock_guard lock(mutex_);
        if (busy_ > 0)
            --busy_;
        idle_.notify_all();
    }
    // Waits up to ms for every posted item to be handled.
    bool waitIdle(int ms) {
        std::unique_lock lock(mutex_);
        return idle_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return busy_ == 0; });
    }
    // Refuses further posts and frees what was not taken.
    void close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        items_.clear();
        busy_ = 0;
        idle_.notify_all();
    }

private:
    class WakeFd {
    public:
        ~WakeFd();
        void create();
        void signal();
        void reset();
        int fd() const { return fd_; }
        int error() const { return error_; }

    private:
        int fd_ = -1;
        int error_ = 0;
    };

    std::mutex mutex_;
    std::condition_variable idle_;
    std::deque<T> items_;
    size_t busy_ = 0;
    bool closed_ = false;
    WakeFd wake_;
};

// The eventfd calls behind the wake-up; the close event of a port uses them too.
namespace detail {
int makeWakeFd();
void signalWakeFd(int fd);
void resetWakeFd(int fd);
void closeWakeFd(int fd);
} // namespace detail

template <typename T> ThreadQueue<T>::WakeFd::~WakeFd() {
    detail::closeWakeFd(fd_);
}
template <typename T> void ThreadQueue<T>::WakeFd::create() {
    fd_ = detail::makeWakeFd();
    error_ = fd_ < 0 ? errno : 0;
}
template <typename T> void ThreadQueue<T>::WakeFd::signal() {
    detail::signalWakeFd(fd_);
}
template <typename T> void ThreadQueue<T>::WakeFd::reset() {
    detail::resetWakeFd(fd_);
}

} // namespace platform
