#include "records/BarcodeMatch.h"

#include <gtest/gtest.h>

namespace {

TEST(BarcodeMatch, EmptyBarcodeMatchesNothing) {
    EXPECT_FALSE(IsMatchableBarcode(QString()));
    EXPECT_FALSE(IsMatchableBarcode(QStringLiteral("")));
    EXPECT_FALSE(BarcodesMatch(QString(), QString()));
    EXPECT_FALSE(BarcodesMatch(QStringLiteral(""), QStringLiteral("")));
}

TEST(BarcodeMatch, EqualTextsMatchExactly) {
    EXPECT_TRUE(IsMatchableBarcode(QStringLiteral("0")));
    EXPECT_TRUE(BarcodesMatch(QStringLiteral("4711"), QStringLiteral("4711")));
    EXPECT_FALSE(BarcodesMatch(QStringLiteral("4711"), QStringLiteral("04711")));
    EXPECT_FALSE(BarcodesMatch(QStringLiteral("4711"), QStringLiteral("4711 ")));
    EXPECT_FALSE(BarcodesMatch(QStringLiteral("4711"), QString()));
}

} // namespace
