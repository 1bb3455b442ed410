#include "serial/PortLog.h"

#include "platform/clock.h"
#include "platform/comm_port.h"

PortLog& portLog() {
    static PortLog log;
    return log;
}

void WriteCateLog(const std::string& text) {
    PortLog& log = portLog();
    if (!log.file.isOpen())
        return;
    std::string line = platform::logTimestamp();
    if (log.ticks)
        line += platform::counterSuffix(platform::performanceCounter());
    line += " - ";
    line += text;
    log.file.writeLine(line);
}

void LogCommError(int code, int location) {
    if (!portLog().file.isOpen())
        return;
    WriteCateLog("[Cate." + std::to_string(location) + "]. Fehler: \"" + platform::systemErrorText(code) +
                 "\"");
}
