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
