#include "platform/window_place.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <climits>

namespace platform {

namespace {

// The part of a title bar that must lie on one screen for the user to drag the window.
constexpr int GripHeight = 16;
constexpr int GripWidth = 64;
// Farther out than any screen; a configured place is cut to it so that the sums stay in range.
constexpr int Far = 1 << 20;

bool holdsGrip(const QRect& area, const QRect& titleBar, int gripWidth) {
    if (titleBar.top() < area.top() || titleBar.top() + GripHeight - 1 > area.bottom())
        return false;
    const int overlap = std::min(titleBar.right(), area.right()) - std::max(titleBar.left(), area.left()) + 1;
    return overlap >= gripWidth;
}

int gap(int lowA, int highA, int lowB, int highB) {
    return std::max({0, lowB - highA, lowA - highB});
}

// Squared distance between two rectangles; 0 when they meet.
long long distance(const QRect& a, const QRect& b) {
    const long long dx = gap(a.left(), a.right(), b.left(), b.right());
    const long long dy = gap(a.top(), a.bottom(), b.top(), b.bottom());
    return dx * dx + dy * dy;
}

int fit(int position, int length, int low, int high) {
    return std::max(low, std::min(position, high + 1 - length));
}

} // namespace

std::vector<QRect> screenAreas() {
    // Qt lists the primary screen first.
    std::vector<QRect> areas;
    for (const QScreen* s : QGuiApplication::screens())
        areas.push_back(s->availableGeometry());
    return areas;
}

QPoint placeTitleBarOnScreen(QPoint frameTopLeft, QSize size, const std::vector<QRect>& areas) {
    const QPoint near(std::clamp(frameTopLeft.x(), -Far, Far), std::clamp(frameTopLeft.y(), -Far, Far));
    const QRect titleBar(near, QSize(std::max(size.width(), 1), GripHeight));
    const int gripWidth = std::min(GripWidth, titleBar.width());
    const QRect* nearest = nullptr;
    long long nearestDistance = LLONG_MAX;
    for (const QRect& area : areas) {
        if (holdsGrip(area, titleBar, gripWidth))
            return frameTopLeft;
        const long long d = distance(area, titleBar);
        if (d < nearestDistance) {
            nearest = &area;
            nearestDistance = d;
        }
    }
    if (!nearest)
        return frameTopLeft;
    // The whole window where it fits; a window larger than the area keeps its title bar on it.
    return {fit(near.x(), size.width(), nearest->left(), nearest->right()),
            fit(near.y(), size.height(), nearest->top(), nearest->bottom())};
}

void placeFrameBeforeMapping(QWidget& window, QPoint frameTopLeft) {
    QWindow* handle = window.windowHandle();
    if (!handle) {
        window.move(frameTopLeft);
        return;
    }
    // A size or place that reaches the native window after its creation turns Qt's request
    // into one for the client area. On X11 the frame is known only once the window manager
    // has mapped the window, so it would then stand lower by the title bar than x() and y()
    // read later. So the widget and the native window take size and place first, and the
    // frame position goes last.
    window.move(frameTopLeft);
    handle->resize(window.size());
    handle->setFramePosition(frameTopLeft);
}

} // namespace platform
