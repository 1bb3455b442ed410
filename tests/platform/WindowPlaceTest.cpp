#include "platform/window_place.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// The main window's client area, and the frame a window manager draws around it: 662 x 678.
const QSize client(660, 653);
const QMargins frame(1, 20, 1, 5);
const QRect laptop(0, 0, 1366, 768);
// A second, larger screen to the right of the first.
const QRect right(1366, 0, 1920, 1080);

QPoint place(QPoint p, const std::vector<QRect>& areas = {laptop}, QMargins margins = frame,
             QSize size = client) {
    return platform::placeFrameOnScreen(p, size, margins, areas);
}

} // namespace

TEST(WindowPlaceTest, PlaceWhoseWholeFrameIsOnTheScreensStays) {
    EXPECT_EQ(place({192, 90}), QPoint(192, 90)); // the frame's bottom row is the screen's last
    EXPECT_EQ(place({0, 0}), QPoint(0, 0));
    EXPECT_EQ(place({704, 90}), QPoint(704, 90));
    // Without a frame the client area alone must fit.
    EXPECT_EQ(place({192, 107}, {laptop}, QMargins()), QPoint(192, 107));
    // Across two screens, each part on one of them.
    EXPECT_EQ(place({1000, 50}, {laptop, right}), QPoint(1000, 50));
    EXPECT_EQ(place({1500, 300}, {laptop, right}), QPoint(1500, 300));
    EXPECT_EQ(place({5000, 3000}, {}), QPoint(5000, 3000));
}

TEST(WindowPlaceTest, FrameOffTheScreenMovesTheLeastDistanceThatBringsItWholeOn) {
    // The designed place: the frame's bottom at 785 on a 768-row screen.
    EXPECT_EQ(place({192, 107}), QPoint(192, 90));
    EXPECT_EQ(place({5000, 3000}), QPoint(704, 90));
    EXPECT_EQ(place({-3000, -3000}), QPoint(0, 0));
    EXPECT_EQ(place({-10, 50}), QPoint(0, 50));
    EXPECT_EQ(place({705, 50}), QPoint(704, 50));
    EXPECT_EQ(place({300, -1}), QPoint(300, 0));
    EXPECT_EQ(place({INT_MAX, INT_MIN}), QPoint(704, 0));
    EXPECT_EQ(place({INT_MIN, INT_MAX}), QPoint(0, 90));
    // A panel at the top edge takes 24 rows.
    EXPECT_EQ(place({100, 10}, {QRect(0, 24, 1366, 744)}), QPoint(100, 24));
    // Onto the nearer screen.
    EXPECT_EQ(place({4000, 200}, {laptop, right}), QPoint(2624, 200));
    EXPECT_EQ(place({-500, 200}, {laptop, right}), QPoint(0, 90));
    EXPECT_EQ(place({1500, 500}, {laptop, right}), QPoint(1500, 402));
}

TEST(WindowPlaceTest, FrameLargerThanTheScreenShowsItsTitleBar) {
    const QRect small(0, 0, 640, 480);
    EXPECT_EQ(place({100, 100}, {small}), QPoint(0, 0));
    EXPECT_EQ(place({-50, -50}, {small}), QPoint(0, 0));
    EXPECT_EQ(place({10, 50}, {QRect(0, 0, 1024, 600)}), QPoint(10, 0));
}

TEST(WindowPlaceTest, CentringCentresTheFrame) {
    // The port dialog: 226 x 170 inside the frame, 228 x 195 with it.
    EXPECT_EQ(platform::centreFrameOn(laptop, QSize(226, 170), frame), QPoint(569, 286));
    EXPECT_EQ(platform::centreFrameOn(right, QSize(226, 170), QMargins()), QPoint(2213, 455));
}

TEST(WindowPlaceTest, WindowLargerThanTheScreenIsMadeSmallerAsFarAsItCanBe) {
    EXPECT_EQ(platform::fitClientSize(QSize(3000, 2000), QSize(), frame, laptop), QSize(1364, 743));
    EXPECT_EQ(platform::fitClientSize(QSize(3000, 300), QSize(), frame, laptop), QSize(1364, 300));
    EXPECT_EQ(platform::fitClientSize(client, QSize(), frame, laptop), client);
    // Not below its least size; a window of fixed size keeps it.
    EXPECT_EQ(platform::fitClientSize(QSize(3000, 2000), QSize(1500, 100), frame, laptop), QSize(1500, 743));
    EXPECT_EQ(platform::fitClientSize(QSize(856, 900), QSize(856, 900), frame, laptop), QSize(856, 900));
}
