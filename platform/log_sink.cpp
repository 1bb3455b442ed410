#include "platform/log_sink.h"

#include <algorithm>
#include <utility>

namespace platform {

namespace {

LogSink& sink() {
    static LogSink s;
    return s;
}

void writeOneLine(std::string line) {
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    if (sink())
        sink()(line);
}

} // namespace

LogSink setLogSink(LogSink s) {
    return std::exchange(sink(), std::move(s));
}

void writeLog(const std::string& text) {
    if (sink())
        sink()(text);
}

void logFailure(const std::string& what, const std::exception& error) {
    writeOneLine(what + ": " + error.what());
}

void logShownFailure(const std::string& text) {
    writeOneLine("Fehlermeldung: " + text);
}

} // namespace platform
