#include "platform/clock.h"

#include <gtest/gtest.h>

#include <QDateTime>

using namespace platform;

TEST(Clock, MonotonicAndNeverZero) {
    const int64_t a = systemClock().nowMs();
    const int64_t b = systemClock().nowMs();
    EXPECT_GT(a, 0);
    EXPECT_GE(b, a);
    const uint64_t c1 = performanceCounter();
    const uint64_t c2 = performanceCounter();
    EXPECT_GE(c2, c1);
}

TEST(Clock, LogStampIsDayMonthYearWithMilliseconds) {
    const QDateTime when(QDate(2026, 3, 7), QTime(9, 5, 4, 32));
    EXPECT_EQ(logTimestamp(when), "07.03.2026 09:05:04.032");
}

TEST(Clock, CounterSuffixHasAtLeastSixteenDigits) {
    EXPECT_EQ(counterSuffix(42), "#0000000000000042");
    EXPECT_EQ(counterSuffix(123456789012345678ULL), "#123456789012345678");
}
