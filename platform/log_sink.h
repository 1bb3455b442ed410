#pragma once

#include <functional>
#include <string>

namespace platform {

// Where the platform layer writes what the program should keep but the user need not act on:
// the program sets its log here. Nowhere until it does; set from the UI thread before use.
using LogSink = std::function<void(const std::string& text)>;

// Returns the sink before; an empty one writes nowhere.
LogSink setLogSink(LogSink sink);

// One entry, UTF-8, without a line end.
void writeLog(const std::string& text);

} // namespace platform
