#include "tester/ProgramLog.h"

#include "platform/clock.h"

std::string ProgramLogLine(const QDateTime& when, uint64_t counter, const std::string& text) {
    return platform::logTimestamp(when) + platform::counterSuffix(counter) + " = " + text;
}

bool TProgramLog::Create(const std::string& path) {
    file_.close();
    if (path.empty())
        return false;
    return file_.open(path, platform::SharedLogFile::OpenMode::Truncate);
}

void TProgramLog::Write(const std::string& text) {
    if (!file_.isOpen())
        return;
    // The file writes a line feed after the line; the log's lines end with CR LF.
    file_.writeLine(ProgramLogLine(QDateTime::currentDateTime(), platform::performanceCounter(), text) +
                    "\r");
}
