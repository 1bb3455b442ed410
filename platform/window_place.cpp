#include "platform/window_place.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QRegion>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <climits>
#include <optional>

namespace platform {

namespace {

// Farther out than any screen; a configured place is cut to it so that the sums stay in range.
constexpr int Far = 1 << 20;

// The margins the window manager drew around the last window it mapped; before the first, an
// estimate: a title bar of 20 pixels and thin borders.
QMargins lastFrame(1, 20, 1, 5);

int fit(int position, int length, int low, int high) {
    return std::max(low, std::min(position, high + 1 - length));
}

QSize outerSize(QSize clientSize, QMargins frame) {
    return {std::clamp(clientSize.width() + frame.left() + frame.right(), 1, Far),
            std::clamp(clientSize.height() + frame.top() + frame.bottom(), 1, Far)};
}

bool drawsFrame(const QWidget& window) {
    const Qt::WindowFlags flags = window.windowFlags();
    const Qt::WindowType type = window.windowType();
    return !(flags & (Qt::FramelessWindowHint | Qt::BypassWindowManagerHint)) && type != Qt::Popup &&
           type != Qt::ToolTip && type != Qt::SplashScreen;
}

QMargins expectedFrame(const QWidget& window) {
    return drawsFrame(window) ? lastFrame : QMargins();
}

QRect areaOf(const QWidget& window) {
    if (const QScreen* screen = window.screen())
        return screen->availableGeometry();
    const std::vector<QRect> areas = screenAreas();
    return areas.empty() ? QRect() : areas.front();
}

// Asks the window system to put the window's frame at frameTopLeft, the measure x() and y() read
// once the window is mapped.
void placeFrame(QWidget& window, QPoint frameTopLeft) {
    QWindow* handle = window.windowHandle();
    if (!handle) {
        window.move(frameTopLeft);
        return;
    }
    // A size or place that reaches the native window after its creation turns Qt's request into
    // one for the client area. On X11 the frame is known only once the window manager has mapped
    // the window, so it would then stand lower by the title bar than x() and y() read later. So
    // the widget and the native window take size and place first, and the frame position last.
    window.move(frameTopLeft);
    handle->resize(window.size());
    handle->setFramePosition(frameTopLeft);
}

// Places its window at each show the program makes, and checks the place again once the window
// manager has mapped the window and drawn its frame.
class FramePlacer : public QObject {
public:
    FramePlacer(QWidget& window, Placement placement)
        : QObject(&window), window_(window), placement_(placement) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &window_ && event->type() == QEvent::Move) {
            moved(event->spontaneous());
        } else if (watched == &window_ && !event->spontaneous()) {
            // Before the window's own show handler: a dialog that was placed is not centred again by Qt.
            if (event->type() == QEvent::Show)
                beforeMapping();
            else if (event->type() == QEvent::Hide)
                hidden();
        } else if (watched == handle_ && event->type() == QEvent::Expose && !mapped_ && window_.isVisible() &&
                   handle_->isExposed()) {
            afterMapping();
        }
        return false;
    }

private:
    QPoint wanted(QMargins frame) const {
        return centred_ ? centreFrameOn(areaOf(window_), window_.size(), frame) : kept_;
    }

    void beforeMapping() {
        hidden_ = false;
        centred_ = placement_ == Placement::Centred || (placement_ == Placement::CentredOnce && !shown_);
        shown_ = true;
        mapped_ = false;
        kept_ = window_.pos();
        const QMargins frame = frame_.value_or(expectedFrame(window_));
        fitSize(frame);
        placed_ = placeFrameOnScreen(wanted(frame), window_.size(), frame, screenAreas());
        placeFrame(window_, placed_);
        if (QWindow* handle = window_.windowHandle(); handle != handle_) {
            if (handle_)
                handle_->removeEventFilter(this);
            handle_ = handle;
            if (handle_)
                handle_->installEventFilter(this);
        }
    }

    void afterMapping() {
        mapped_ = true;
        const QMargins frame = handle_->frameMargins();
        if (drawsFrame(window_)) {
            frame_ = frame;
            lastFrame = frame;
        }
        fitSize(frame);
        placed_ = placeFrameOnScreen(wanted(frame), window_.size(), frame, screenAreas());
        // The native window's measure: the widget may still hold the frame of an earlier mapping.
        if (handle_->framePosition() != placed_)
            handle_->setFramePosition(placed_);
    }

    void fitSize(QMargins frame) {
        const QSize size = fitClientSize(window_.size(), window_.minimumSize(), frame, areaOf(window_));
        if (size != window_.size())
            window_.resize(size);
    }

    void moved(bool byWindowSystem) {
        if (mapped_ && handle_)
            placed_ = byWindowSystem ? handle_->framePosition() : window_.pos();
        else if (hidden_ && byWindowSystem)
            movedWhileHidden_ = true;
    }

    // Qt's record of a window's place is not sure once the program has hidden it: a window manager
    // that lets go of a window puts its client area where the frame stood, and Qt may take that for
    // the client area inside a frame still, so that pos() reads the frame higher by the title bar.
    // So the hidden window keeps the place it was shown at, and gets a new native window at its
    // next show, as at its first. A place the program gave it meanwhile stays.
    void hidden() {
        const QPoint place = placed_;
        const QPoint posAtHide = window_.pos();
        mapped_ = false;
        hidden_ = true;
        movedWhileHidden_ = false;
        QTimer::singleShot(0, this, [this, place, posAtHide] {
            if (window_.isVisible())
                return;
            const bool movedByProgram = !movedWhileHidden_ && window_.pos() != posAtHide;
            if (handle_)
                handle_->destroy();
            if (!movedByProgram && window_.pos() != place)
                window_.move(place);
        });
    }

    QWidget& window_;
    const Placement placement_;
    QPointer<QWindow> handle_;
    std::optional<QMargins> frame_; // drawn around this window when it was last mapped
    QPoint kept_;
    QPoint placed_; // where the frame stands while the window is shown
    bool centred_ = false;
    bool shown_ = false;
    bool mapped_ = false;
    bool hidden_ = false;
    bool movedWhileHidden_ = false; // by the window system
};

} // namespace

std::vector<QRect> screenAreas() {
    // Qt lists the primary screen first.
    std::vector<QRect> areas;
    for (const QScreen* s : QGuiApplication::screens())
        areas.push_back(s->availableGeometry());
    return areas;
}

QPoint placeFrameOnScreen(QPoint frameTopLeft, QSize clientSize, QMargins frame,
                          const std::vector<QRect>& areas) {
    const QPoint near(std::clamp(frameTopLeft.x(), -Far, Far), std::clamp(frameTopLeft.y(), -Far, Far));
    const QRect wanted(near, outerSize(clientSize, frame));
    QRegion screens;
    for (const QRect& area : areas)
        screens += area;
    if (screens.isEmpty() || screens.intersected(wanted) == QRegion(wanted))
        return frameTopLeft;
    QPoint best = frameTopLeft;
    long long bestDistance = LLONG_MAX;
    for (const QRect& area : areas) {
        if (area.isEmpty())
            continue;
        const QPoint place(fit(near.x(), wanted.width(), area.left(), area.right()),
                           fit(near.y(), wanted.height(), area.top(), area.bottom()));
        const long long dx = place.x() - near.x();
        const long long dy = place.y() - near.y();
        if (dx * dx + dy * dy < bestDistance) {
            best = place;
            bestDistance = dx * dx + dy * dy;
        }
    }
    return best;
}

QSize fitClientSize(QSize clientSize, QSize minimum, QMargins frame, const QRect& area) {
    if (area.isEmpty())
        return clientSize;
    const QSize room(area.width() - frame.left() - frame.right(),
                     area.height() - frame.top() - frame.bottom());
    return clientSize.boundedTo(room).expandedTo(minimum);
}

QPoint centreFrameOn(const QRect& area, QSize clientSize, QMargins frame) {
    const QSize outer = outerSize(clientSize, frame);
    return {area.left() + (area.width() - outer.width()) / 2,
            area.top() + (area.height() - outer.height()) / 2};
}

void placeOnShow(QWidget& window, Placement placement) {
    new FramePlacer(window, placement);
}

} // namespace platform
