#include "platform/thread_queue.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

namespace detail {

int makeWakeFd() {
    return ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

void signalWakeFd(int fd) {
    if (fd < 0)
        return;
    const uint64_t one = 1;
    // A full counter is still signalled; nothing to do on EAGAIN.
    [[maybe_unused]] ssize_t n = ::write(fd, &one, sizeof one);
}

void resetWakeFd(int fd) {
    if (fd < 0)
        return;
    uint64_t value;
    [[maybe_unused]] ssize_t n = ::read(fd, &value, sizeof value);
}

void closeWakeFd(int fd) {
    if (fd >= 0)
        ::close(fd);
}

} // namespace detail

} // namespace platform
