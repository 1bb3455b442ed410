#pragma once

#include <exception>
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

// One entry for a failure the program lives with: what, then the failure's own text, on one line.
void logFailure(const std::string& what, const std::exception& error);

// One entry for a failure the user is shown, with the text the user reads, on one line.
void logShownFailure(const std::string& text);

} // namespace platform
