#include "controls/LEDPaint.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace {

const QColor kGrey(0x80, 0x80, 0x80);
const QColor kSilver(0xC0, 0xC0, 0xC0);

// A rectangle as left, top and the exclusive right and bottom edges.
struct Edges {
    int L, T, R, B;
    void shrink(int by) {
        L += by;
        T += by;
        R -= by;
        B -= by;
    }
    QRect rect() const { return QRect(L, T, std::max(R - L, 0), std::max(B - T, 0)); }
};

// One-pixel rings, the outermost first: top and left edge in topLeft, right and bottom edge in
// bottomRight; each ring shrinks r.
void frame3D(QPainter& p, Edges& r, const QColor& topLeft, const QColor& bottomRight, int width) {
    for (int i = 0; i < width && r.R - r.L > 0 && r.B - r.T > 0; ++i) {
        p.fillRect(QRect(r.L, r.T, r.R - r.L - 1, 1), topLeft);
        p.fillRect(QRect(r.L, r.T, 1, r.B - r.T - 1), topLeft);
        p.fillRect(QRect(r.R - 1, r.T, 1, r.B - r.T), bottomRight);
        p.fillRect(QRect(r.L, r.B - 1, r.R - r.L, 1), bottomRight);
        r.shrink(1);
    }
}

// The arc of the ellipse in (x1, y1, x2, y2), counter-clockwise from the ray towards (x3, y3)
// to the ray towards (x4, y4).
void arc(QPainter& p, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    const qreal rx = (x2 - x1 - 1) / 2.0;
    const qreal ry = (y2 - y1 - 1) / 2.0;
    if (rx <= 0 || ry <= 0)
        return;
    const qreal cx = x1 + 0.5 + rx;
    const qreal cy = y1 + 0.5 + ry;
    auto angle = [&](int x, int y) {
        return std::atan2(-(y + 0.5 - cy) / ry, (x + 0.5 - cx) / rx) * 180.0 / M_PI;
    };
    const qreal start = angle(x3, y3);
    qreal span = angle(x4, y4) - start;
    while (span <= 0)
        span += 360;
    p.drawArc(QRectF(x1 + 0.5, y1 + 0.5, 2 * rx, 2 * ry), qRound(start * 16), qRound(span * 16));
}

} // namespace

TLEDPaint::TLEDPaint(QWidget* owner)
    : QWidget(owner), placement_(new ParentPlacement(this)), link_([this] { DataChange(); }),
      backGround_(palette().color(QPalette::Button)) {
    setGeometry(0, 0, 17, 17);
    computeInset();
}

template <typename T> void TLEDPaint::store(T& field, const T& value) {
    if (field == value)
        return;
    field = value;
    update();
}

void TLEDPaint::SetBackGround(const QColor& color) {
    store(backGround_, color);
}
void TLEDPaint::SetLEDColor(const QColor& color) {
    store(ledColor_, color);
}
void TLEDPaint::SetLEDOffColor(const QColor& color) {
    store(ledOffColor_, color);
}
void TLEDPaint::SetLEDOn(bool on) {
    store(ledOn_, on);
}
void TLEDPaint::SetLEDType(TLEDType type) {
    store(ledType_, type);
}
void TLEDPaint::SetLEDFrameColor(const QColor& color) {
    store(ledFrameColor_, color);
}
void TLEDPaint::SetLEDFrameWidth(int width) {
    store(ledFrameWidth_, width);
}
void TLEDPaint::SetFrameless(bool on) {
    store(frameless_, on);
}

void TLEDPaint::setBevel(TBevelCut& field, TBevelCut value) {
    if (field == value)
        return;
    field = value;
    computeInset();
    update();
}

void TLEDPaint::SetBevelOuter(TBevelCut bevel) {
    setBevel(bevelOuter_, bevel);
}
void TLEDPaint::SetBevelInner(TBevelCut bevel) {
    setBevel(bevelInner_, bevel);
}

void TLEDPaint::SetBevelWidth(uint8_t width) {
    if (width == bevelWidth_)
        return;
    bevelWidth_ = width;
    computeInset();
    update();
}

void TLEDPaint::computeInset() {
    inset_ = (bevelOuter_ != TBevelCut::bvNone ? bevelWidth_ : 0) +
             (bevelInner_ != TBevelCut::bvNone ? bevelWidth_ : 0);
}

void TLEDPaint::SetMaske(int32_t mask) {
    if (mask == maske_)
        return;
    maske_ = mask;
    DataChange();
}

void TLEDPaint::DataChange() {
    const auto field = link_.Field();
    if (!field)
        return;
    SetLEDOn(field->IsBoolean ? field->AsBoolean : (field->AsInteger & maske_) != 0);
}

void TLEDPaint::paintEvent(QPaintEvent*) {
    QPainter p(this);
    Edges r{0, 0, width(), height()};

    if (frameless_) {
        r.shrink(inset_);
    } else {
        const QColor shadow = palette().color(QPalette::Dark);
        const QColor highlight = palette().color(QPalette::Light);
        for (TBevelCut bevel : {bevelOuter_, bevelInner_}) {
            if (bevel == TBevelCut::bvLowered)
                frame3D(p, r, shadow, highlight, bevelWidth_);
            else if (bevel == TBevelCut::bvRaised)
                frame3D(p, r, highlight, shadow, bevelWidth_);
            else if (bevel == TBevelCut::bvSpace)
                frame3D(p, r, backGround_, backGround_, bevelWidth_);
        }
        p.fillRect(r.rect(), backGround_);
        r.shrink(inset_);
    }

    const bool lit = ledOn_ && isEnabled();
    const QColor brush = lit ? ledColor_ : ledOffColor_;
    const int frameWidth = std::max(ledFrameWidth_, 0);
    // The outline of the round and triangular lamps.
    auto framePen = [&] {
        if (frameWidth == 0) {
            p.setPen(QPen(brush, 1));
            r.shrink(1);
        } else {
            p.setPen(QPen(ledFrameColor_, frameWidth));
            r.shrink((frameWidth + 1) / 2);
        }
    };
    p.setBrush(brush);

    switch (ledType_) {
    case TLEDType::ltRound: {
        p.setRenderHint(QPainter::Antialiasing);
        if (frameWidth == 0)
            p.setPen(QPen(lit ? kGrey : kSilver, 1));
        else
            framePen();
        p.drawEllipse(QRectF(r.L + 0.5, r.T + 0.5, r.R - r.L - 1, r.B - r.T - 1));
        // Highlight on the upper left; the end points use half the right and bottom coordinates.
        const int s = (width() / 6) & 0xFF;
        p.setBrush(Qt::NoBrush);
        const int silverWidth = s / 3 + 2;
        const int whiteWidth = s / 3 + 1;
        p.setPen(QPen(kSilver, silverWidth));
        arc(p, r.L + s, r.T + s, r.R - s, r.B - s, r.R / 2 - s, r.T, r.L, r.B / 2 - s);
        p.setPen(QPen(Qt::white, whiteWidth));
        const int s1 = s + 1;
        arc(p, r.L + s1, r.T + s1, r.R - s1, r.B - s1, r.R / 2 - s1, r.T, r.L, r.B / 2 - s1);
        break;
    }
    case TLEDType::ltRect: {
        const bool whiteTopLeft = bevelInner_ == TBevelCut::bvNone ? bevelOuter_ == TBevelCut::bvLowered
                                                                   : bevelInner_ == TBevelCut::bvLowered;
        if (bevelInner_ != TBevelCut::bvSpace)
            frame3D(p, r, whiteTopLeft ? Qt::white : Qt::black, whiteTopLeft ? Qt::black : Qt::white, 1);
        p.fillRect(r.rect(), brush);
        break;
    }
    case TLEDType::ltRight:
    case TLEDType::ltLeft:
    case TLEDType::ltUp:
    case TLEDType::ltDown: {
        framePen();
        const int midX = (r.L + r.R) / 2;
        const int midY = (r.T + r.B) / 2;
        QPolygon points;
        if (ledType_ == TLEDType::ltRight)
            points << QPoint(r.L, r.T) << QPoint(r.R, midY) << QPoint(r.L, r.B);
        else if (ledType_ == TLEDType::ltLeft)
            points << QPoint(r.R, r.T) << QPoint(r.L, midY) << QPoint(r.R, r.B);
        else if (ledType_ == TLEDType::ltUp)
            points << QPoint(r.L, r.B) << QPoint(midX, r.T) << QPoint(r.R, r.B);
        else
            points << QPoint(r.L, r.T) << QPoint(midX, r.B) << QPoint(r.R, r.T);
        p.drawPolygon(points);
        break;
    }
    }
}

void TLEDPaint::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        update();
    QWidget::changeEvent(event);
}

bool TLEDPaint::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && !showHint_)
        return true;
    return QWidget::event(event);
}

void TLEDPaint::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
    if (OnMouseDown)
        OnMouseDown(*this, event->button(), event->modifiers(), event->position().toPoint().x(),
                    event->position().toPoint().y());
}

void TLEDPaint::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(at);
    if (event->button() == Qt::LeftButton)
        pressed_ = false;
    QPointer<TLEDPaint> alive(this); // a handler may free the lamp
    if (click && OnClick)
        OnClick(*this);
    if (alive && OnMouseUp)
        OnMouseUp(*this, event->button(), event->modifiers(), at.x(), at.y());
}

void TLEDPaint::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && OnDblClick)
        OnDblClick(*this);
    else
        QWidget::mouseDoubleClickEvent(event);
}

void TLEDPaint::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove)
        OnMouseMove(*this, event->buttons(), event->modifiers(), event->position().toPoint().x(),
                    event->position().toPoint().y());
}
