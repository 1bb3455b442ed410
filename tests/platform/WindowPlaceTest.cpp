#include "platform/window_place.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

const QSize window(660, 653);
const QRect screen(0, 0, 1280, 1024);
// A second, taller screen to the right of the first.
const QRect right(1280, 0, 1920, 1080);

QPoint place(QPoint p, const std::vector<QRect>& areas = {screen}, QSize size = window) {
    return platform::placeTitleBarOnScreen(p, size, areas);
}

} // namespace

TEST(WindowPlaceTest, PlaceWhoseTitleBarCanBeGrabbedStays) {
    EXPECT_EQ(place({192, 107}), QPoint(192, 107));
    EXPECT_EQ(place({0, 0}), QPoint(0, 0));
    // 64 columns of the title bar on the screen, its first 16 rows above the bottom edge.
    EXPECT_EQ(place({-596, 500}), QPoint(-596, 500));
    EXPECT_EQ(place({1216, 1008}), QPoint(1216, 1008));
    // Below the first screen's bottom, but on the taller one beside it.
    EXPECT_EQ(place({1400, 1050}, {screen, right}), QPoint(1400, 1050));
    EXPECT_EQ(place({1000, 500}, {}), QPoint(1000, 500));
}

TEST(WindowPlaceTest, TitleBarOffEveryScreenComesBackOntoTheNearest) {
    EXPECT_EQ(place({191, -13}), QPoint(191, 0));
    EXPECT_EQ(place({5000, 300}), QPoint(620, 300));
    EXPECT_EQ(place({-597, 500}), QPoint(0, 371));
    EXPECT_EQ(place({900, 1009}), QPoint(620, 371));
    EXPECT_EQ(place({1500, -40}, {screen, right}), QPoint(1500, 0));
    EXPECT_EQ(place({4000, 200}, {screen, right}), QPoint(2540, 200));
    EXPECT_EQ(place({-100, 2000}, {screen, right}), QPoint(0, 371));
    EXPECT_EQ(place({INT_MAX, INT_MIN}), QPoint(620, 0));
    // A window larger than the screen shows its top left corner.
    EXPECT_EQ(place({-50, -50}, {QRect(0, 0, 640, 480)}), QPoint(0, 0));
}
