#pragma once

#include <mutex>
#include <string>

namespace platform {

// Appends one line to a file that is opened and closed for it (created when missing).
// Returns false when the file can be neither opened nor created.
bool appendLineToFile(const std::string& path, const std::string& line);

// A log file that stays open and may be written from several threads; every line is
// written whole, and closing waits for a writer that is in the middle of a line.
class SharedLogFile {
public:
    enum class OpenMode { Append, Truncate };

    SharedLogFile() = default;
    ~SharedLogFile();
    SharedLogFile(const SharedLogFile&) = delete;
    SharedLogFile& operator=(const SharedLogFile&) = delete;

    bool open(const std::string& path, OpenMode mode);
    void close();
    bool isOpen() const;
    // Writes line and a line end; does nothing while closed.
    bool writeLine(const std::string& line);

private:
    mutable std::mutex mutex_;
    int fd_ = -1;
};

} // namespace platform
