#include "platform/log_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

bool writeAll(int fd, const std::string& text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return false;
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

std::mutex& appendMutex() {
    static std::mutex m;
    return m;
}

} // namespace

bool appendLineToFile(const std::string& path, const std::string& line) {
    if (path.empty())
        return false;
    std::lock_guard lock(appendMutex());
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, line + "\n");
    ::close(fd);
    return ok;
}

SharedLogFile::~SharedLogFile() {
    close();
}

bool SharedLogFile::open(const std::string& path, OpenMode mode) {
    std::lock_guard lock(mutex_);
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (path.empty())
        return false;
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode == OpenMode::Append ? O_APPEND : O_TRUNC);
    fd_ = ::open(path.c_str(), flags, 0644);
    return fd_ >= 0;
}

void SharedLogFile::close() {
    std::lock_guard lock(mutex_);
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool SharedLogFile::isOpen() const {
    std::lock_guard lock(mutex_);
    return fd_ >= 0;
}

bool SharedLogFile::writeLine(const std::string& line) {
    std::lock_guard lock(mutex_);
    if (fd_ < 0)
        return false;
    return writeAll(fd_, line + "\n");
}

} // namespace platform
