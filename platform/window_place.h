#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

class QWidget;

namespace platform {

// The area a window may use on each screen (without panels), the primary screen first.
std::vector<QRect> screenAreas();

// Where a window's frame goes that should stand at frameTopLeft, for the window's client size
// and the frame's margins around it: frameTopLeft itself while the whole frame lies on the
// areas, else the nearest place at which it lies whole on one of them. A frame larger than
// an area keeps its top left corner, the title bar, on it.
QPoint placeFrameOnScreen(QPoint frameTopLeft, QSize clientSize, QMargins frame,
                          const std::vector<QRect>& areas);

// The frame's top left corner that centres the frame on the area.
QPoint centreFrameOn(const QRect& area, QSize clientSize, QMargins frame);

// The client size, made small enough for the frame to fit the area, but not below minimum.
QSize fitClientSize(QSize clientSize, QSize minimum, QMargins frame, const QRect& area);

// How a top-level window is placed each time the program shows it.
enum class Placement {
    Kept,        // where pos() says: the configured place or the last one
    Centred,     // centred on its screen
    CentredOnce, // centred the first time, then kept
};

// Places the window by its frame, the measure pos() reads once the window is mapped, each time
// the program shows it: the whole frame comes onto the screens, and a window larger than its
// screen is made smaller as far as it can be. Before a window is mapped the window system does not
// know its frame, which is then taken to be the last one drawn; once mapped, the place is checked
// with the real one. Call it once, from the window's constructor.
void placeOnShow(QWidget& window, Placement placement);

} // namespace platform
