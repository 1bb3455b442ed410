#include "tester/Globals.h"

#include <algorithm>
#include <limits>

namespace Globals {

namespace {
uint32_t notNegative(int32_t ms) {
    return ms < 0 ? 0u : static_cast<uint32_t>(ms);
}
} // namespace

QChar SeparatorOfLocale(const QLocale& locale) {
    // The seven-segment digits know a comma and a point; any other sign is shown as a point.
    return locale.decimalPoint() == QStringLiteral(",") ? QChar(u',') : QChar(u'.');
}

uint32_t AnswerTimeoutRAM() {
    return notNegative(MessageAnswerRAM);
}
uint32_t AnswerTimeoutReadEEPROM() {
    return notNegative(MessageAnswerReadEEPROM);
}
uint32_t AnswerTimeoutWriteEEPROM() {
    return notNegative(MessageAnswerWriteEEPROM);
}
int64_t BusMsgTimeOut() {
    return notNegative(MessageTimeOut);
}
int64_t BusCharTimeOut() {
    return notNegative(CharTimeOut);
}
int64_t LateAnswerWaitMs() {
    const int64_t ticks = InActiveTime > 0 ? std::min(InActiveTime, 600) : 15;
    return ticks * 100;
}
int32_t RefreshTicks() {
    return std::max(RefreshTime, 1);
}
int32_t InactivityTicks() {
    return std::clamp(InActiveTime, 0, std::numeric_limits<int32_t>::max() / 2);
}
int32_t PollIntervalMs(int32_t dlgDelay) {
    return std::max(dlgDelay, 1);
}

} // namespace Globals
