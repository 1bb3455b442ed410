#include "tester/Globals.h"

#include <gtest/gtest.h>

#include <limits>

TEST(Globals, SeparatorFollowsTheLocale) {
    EXPECT_EQ(Globals::SeparatorOfLocale(QLocale(QLocale::German, QLocale::Germany)), u',');
    EXPECT_EQ(Globals::SeparatorOfLocale(QLocale(QLocale::German, QLocale::Switzerland)), u'.');
    EXPECT_EQ(Globals::SeparatorOfLocale(QLocale(QLocale::English, QLocale::UnitedStates)), u'.');
    EXPECT_EQ(Globals::SeparatorOfLocale(QLocale::c()), u'.');
    // A sign the digits cannot show becomes a point.
    EXPECT_EQ(Globals::SeparatorOfLocale(QLocale(QLocale::Arabic, QLocale::Egypt)), u'.');
}

TEST(Globals, TimingsAreSaneWhereTheyAreUsed) {
    Globals::MessageAnswerRAM = -300;
    Globals::MessageAnswerReadEEPROM = 800;
    Globals::MessageAnswerWriteEEPROM = std::numeric_limits<int32_t>::min();
    Globals::MessageTimeOut = -1;
    Globals::CharTimeOut = 100;
    Globals::RefreshTime = 0;
    Globals::InActiveTime = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(Globals::AnswerTimeoutRAM(), 0u);
    EXPECT_EQ(Globals::AnswerTimeoutReadEEPROM(), 800u);
    EXPECT_EQ(Globals::AnswerTimeoutWriteEEPROM(), 0u);
    EXPECT_EQ(Globals::BusMsgTimeOut(), 0);
    EXPECT_EQ(Globals::BusCharTimeOut(), 100);
    EXPECT_EQ(Globals::RefreshTicks(), 1);
    EXPECT_EQ(Globals::InactivityTicks(), std::numeric_limits<int32_t>::max() / 2);
    EXPECT_EQ(Globals::PollIntervalMs(0), 1);
    EXPECT_EQ(Globals::PollIntervalMs(-50), 1);
    EXPECT_EQ(Globals::PollIntervalMs(50), 50);
    // The stored values stay as written.
    EXPECT_EQ(Globals::MessageAnswerRAM, -300);
    EXPECT_EQ(Globals::RefreshTime, 0);
    Globals::InActiveTime = -4;
    EXPECT_EQ(Globals::InactivityTicks(), 0);
}

// The test main puts the values back after each test: run as a whole, the test before this one
// has set the timings, and here they are as the program starts with them.
TEST(Globals, EachTestFindsThemAsTheProgramStarts) {
    EXPECT_EQ(Globals::MessageAnswerRAM, 0);
    EXPECT_EQ(Globals::MessageTimeOut, 0);
    EXPECT_EQ(Globals::InActiveTime, 0);
}
