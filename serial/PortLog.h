#pragma once

#include "platform/log_file.h"

#include <atomic>
#include <string>

// The program-wide port log.
struct PortLog {
    platform::SharedLogFile file;
    std::string name;
    std::atomic<bool> ticks{false};
};

PortLog& portLog();

// One stamped line of the port log; nothing while no log is open. From any thread.
void WriteCateLog(const std::string& text);
// A system error of the port code, with the place it happened.
void LogCommError(int code, int location);
