#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

class QWidget;

namespace platform {

// The area a window may use on each screen (without panels), the primary screen first.
std::vector<QRect> screenAreas();

// Where a top-level window goes whose frame would start at frameTopLeft and which is size
// large: frameTopLeft itself while enough of its title bar lies on one of the areas to grab
// it, else the nearest place inside the area nearest to it, title bar first.
QPoint placeTitleBarOnScreen(QPoint frameTopLeft, QSize size, const std::vector<QRect>& areas);

// Asks the window system to put the window's frame at frameTopLeft, the measure x() and y()
// read once the window is mapped. Call it from the window's first showEvent.
void placeFrameBeforeMapping(QWidget& window, QPoint frameTopLeft);

} // namespace platform
