#include "controls/NumberText.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const QChar comma(u',');
const QChar point(u'.');

} // namespace

TEST(NumberText, ReadsNumbers) {
    EXPECT_EQ(numbertext::TextToFloat(QStringLiteral(" 1,5 "), comma), 1.5);
    EXPECT_EQ(numbertext::TextToFloat(QStringLiteral("-1e3"), comma), -1000.0);
    EXPECT_EQ(numbertext::TextToFloat(QStringLiteral(",5"), comma), 0.5);
    EXPECT_EQ(numbertext::TextToFloat(QStringLiteral("2,"), comma), 2.0);
    EXPECT_FALSE(numbertext::TextToFloat(QStringLiteral("1.5"), comma));
    EXPECT_EQ(numbertext::TextToFloat(QStringLiteral("1.5"), comma, numbertext::TDecimalMarks::CommaOrPoint),
              1.5);
    EXPECT_EQ(numbertext::TextToFloat(QStringLiteral("-1,5"), point, numbertext::TDecimalMarks::CommaOrPoint),
              -1.5);
    EXPECT_FALSE(
        numbertext::TextToFloat(QStringLiteral("1,5.0"), point, numbertext::TDecimalMarks::CommaOrPoint));
    EXPECT_FALSE(numbertext::TextToFloat(QStringLiteral("1e"), point));
    EXPECT_FALSE(numbertext::TextToFloat(QStringLiteral("inf"), point));
    EXPECT_EQ(numbertext::TextToInt(QStringLiteral("$FF")), 255);
    EXPECT_EQ(numbertext::TextToInt(QStringLiteral("-12")), -12);
    EXPECT_EQ(numbertext::TextToInt(QStringLiteral("-2147483648")), std::numeric_limits<int32_t>::min());
    EXPECT_FALSE(numbertext::TextToInt(QStringLiteral("2147483648")));
    EXPECT_FALSE(numbertext::TextToInt(QStringLiteral("12a")));
    EXPECT_FALSE(numbertext::TextToInt(QStringLiteral("$")));
}

TEST(NumberText, Formats) {
    EXPECT_EQ(numbertext::FormatFloat(QStringLiteral("%1.1f"), 25, comma), QStringLiteral("25,0"));
    EXPECT_EQ(numbertext::FormatFloat(QStringLiteral("%g"), 2.5, point), QStringLiteral("2.5"));
    EXPECT_EQ(numbertext::FormatFloat(QStringLiteral("%g"), 3, comma), QStringLiteral("3"));
    EXPECT_EQ(numbertext::FormatFloat(QStringLiteral("%f"), 3, comma), QStringLiteral("3,00"));
    EXPECT_EQ(numbertext::FormatFloat(QStringLiteral("[%6.2f]"), 3.14159, comma), QStringLiteral("[  3,14]"));
    EXPECT_EQ(numbertext::FormatFloat(QStringLiteral("[%-6.1f]"), 3.14159, point),
              QStringLiteral("[3.1   ]"));
    EXPECT_EQ(numbertext::FormatFloat(QStringLiteral("%.3e"), 1234.5, comma), QStringLiteral("1,23E+003"));
    EXPECT_EQ(numbertext::FormatFloat(QStringLiteral("%n"), 1234567.5, comma),
              QStringLiteral("1.234.567,50"));
    EXPECT_EQ(numbertext::FormatFloat(QStringLiteral("%d"), 2.5, point), QStringLiteral("2.5"))
        << "wrong letter";
    EXPECT_EQ(numbertext::FormatInt(QStringLiteral("%d"), -5), QStringLiteral("-5"));
    EXPECT_EQ(numbertext::FormatInt(QStringLiteral("%.3d"), 7), QStringLiteral("007"));
    EXPECT_EQ(numbertext::FormatInt(QStringLiteral("%4d%%"), 50), QStringLiteral("  50%"));
    EXPECT_EQ(numbertext::FormatInt(QStringLiteral("%x"), -1), QStringLiteral("FFFFFFFF"));
    EXPECT_EQ(numbertext::FormatInt(QStringLiteral("%u"), -1), QStringLiteral("4294967295"));
    EXPECT_EQ(numbertext::FormatInt(QStringLiteral("%99999d"), 1).size(), 1000) << "pads are bounded";
}

TEST(NumberText, OnlyTheRightmostSeparatorCounts) {
    EXPECT_EQ(numbertext::ExtractFloatNumber(QStringLiteral("1,2,5"), QStringLiteral("%g"), comma),
              QStringLiteral("12,5"));
    EXPECT_EQ(numbertext::ExtractFloatNumber(QStringLiteral("ab1.2.5"), QStringLiteral("%g"), point),
              QStringLiteral("12.5"));
    EXPECT_EQ(numbertext::ExtractFloatNumber(QStringLiteral("1.2,5"), QStringLiteral("%g"), point,
                                             numbertext::TDecimalMarks::CommaOrPoint),
              QStringLiteral("12.5"));
}
