#pragma once

#include "platform/log_file.h"

#include <QDateTime>

#include <cstdint>
#include <string>

// One line of the program log: "dd.mm.yyyy hh:nn:ss.zzz", directly followed by "#" and the
// counter with at least 16 digits, then " = " and the text.
std::string ProgramLogLine(const QDateTime& when, uint64_t counter, const std::string& text);

// The program log: created anew at start, one line per entry, lines end with CR LF.
class TProgramLog {
public:
    // False when the file cannot be created; the log then stays closed.
    bool Create(const std::string& path);
    bool IsOpen() const { return file_.isOpen(); }
    // Does nothing while closed.
    void Write(const std::string& text);
    void Close() { file_.close(); }

private:
    platform::SharedLogFile file_;
};
