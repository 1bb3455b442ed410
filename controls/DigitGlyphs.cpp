#include "controls/DigitGlyphs.h"

#include <QPainter>
#include <QPainterPath>

#include <array>

namespace DigitGlyphs {

namespace {

const QColor kSegmentColor(0x10, 0x10, 0x10);

// Segment bits: a top, b upper right, c lower right, d bottom, e lower left, f upper left, g middle.
enum : uint8_t { a = 1, b = 2, c = 4, d = 8, e = 16, f = 32, g = 64 };

struct SegmentGlyph {
    const char* name;
    uint8_t segments;
};

constexpr std::array<SegmentGlyph, 21> kSegmentGlyphs = {{
    {"D0", a | b | c | d | e | f},
    {"D1", b | c},
    {"D2", a | b | d | e | g},
    {"D3", a | b | c | d | g},
    {"D4", b | c | f | g},
    {"D5", a | c | d | f | g},
    {"D6", a | c | d | e | f | g},
    {"D7", a | b | c},
    {"D8", a | b | c | d | e | f | g},
    {"D9", a | b | c | d | f | g},
    {"DA", a | b | c | e | f | g},
    {"DB", c | d | e | f | g},
    {"DC", a | d | e | f},
    {"DD", b | c | d | e | g},
    {"DE", a | d | e | f | g},
    {"DF", a | e | f | g},
    {"DH", b | c | e | f | g},
    {"DL", d | e | f},
    {"DR", e | g},
    {"DU", b | c | d | e | f},
    {"DM", g},
}};

// Centre lines of the segments; half the stroke width; gap between neighbouring segments.
constexpr qreal kLeft = 3.5, kRight = 12.5, kTop = 3.5, kMiddle = 13.5, kBottom = 23.5;
constexpr qreal kHalf = 1.5, kGap = 0.6;

QPolygonF horizontal(qreal y, qreal x1, qreal x2) {
    x1 += kGap;
    x2 -= kGap;
    return QPolygonF({{x1, y},
                      {x1 + kHalf, y - kHalf},
                      {x2 - kHalf, y - kHalf},
                      {x2, y},
                      {x2 - kHalf, y + kHalf},
                      {x1 + kHalf, y + kHalf}});
}

QPolygonF vertical(qreal x, qreal y1, qreal y2) {
    y1 += kGap;
    y2 -= kGap;
    return QPolygonF({{x, y1},
                      {x + kHalf, y1 + kHalf},
                      {x + kHalf, y2 - kHalf},
                      {x, y2},
                      {x - kHalf, y2 - kHalf},
                      {x - kHalf, y1 + kHalf}});
}

void drawSegments(QPainter& p, uint8_t segments) {
    if (segments & a)
        p.drawPolygon(horizontal(kTop, kLeft, kRight));
    if (segments & b)
        p.drawPolygon(vertical(kRight, kTop, kMiddle));
    if (segments & c)
        p.drawPolygon(vertical(kRight, kMiddle, kBottom));
    if (segments & d)
        p.drawPolygon(horizontal(kBottom, kLeft, kRight));
    if (segments & e)
        p.drawPolygon(vertical(kLeft, kMiddle, kBottom));
    if (segments & f)
        p.drawPolygon(vertical(kLeft, kTop, kMiddle));
    if (segments & g)
        p.drawPolygon(horizontal(kMiddle, kLeft, kRight));
}

void drawDot(QPainter& p, qreal x, qreal y) {
    p.drawEllipse(QPointF(x, y), 1.8, 1.8);
}

void drawChevron(QPainter& p, bool pointsRight) {
    const qreal tip = pointsRight ? kRight : kLeft;
    const qreal open = pointsRight ? kLeft + 1 : kRight - 1;
    QPen pen(kSegmentColor, 2 * kHalf, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({{open, kTop + 3}, {tip, kMiddle}, {open, kBottom - 3}}));
}

} // namespace

QImage Render(const QString& name) {
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kSegmentColor);

    for (const SegmentGlyph& glyph : kSegmentGlyphs) {
        if (name == QLatin1String(glyph.name)) {
            drawSegments(p, glyph.segments);
            return image;
        }
    }
    if (name == QLatin1String("DK")) {
        // A comma: the dot with a short tail, so it reads as "," and still as a point.
        drawDot(p, 8.0, 21.5);
        p.drawPolygon(QPolygonF({{8.6, 21.0}, {9.9, 22.2}, {7.0, 25.8}, {6.2, 25.3}}));
    } else if (name == QLatin1String("DDP")) {
        drawDot(p, 8.0, 9.0);
        drawDot(p, 8.0, 18.0);
    } else if (name == QLatin1String("DP")) {
        drawSegments(p, g);
        p.drawPolygon(vertical(8.0, kMiddle - 6, kMiddle + 6));
    } else if (name == QLatin1String("DG") || name == QLatin1String("DS")) {
        drawChevron(p, name == QLatin1String("DG"));
    } else if (name != QLatin1String("D")) {
        return QImage();
    }
    return image;
}

QHash<QString, QImage>& Resources() {
    static QHash<QString, QImage> resources = [] {
        QHash<QString, QImage> all;
        for (const SegmentGlyph& glyph : kSegmentGlyphs)
            all.insert(QLatin1String(glyph.name), Render(QLatin1String(glyph.name)));
        for (const char* name : {"DK", "DDP", "DP", "DG", "DS", "D"})
            all.insert(QLatin1String(name), Render(QLatin1String(name)));
        return all;
    }();
    return resources;
}

const QImage* Find(const QString& name) {
    const QHash<QString, QImage>& all = Resources();
    const auto it = all.constFind(name);
    return it == all.constEnd() ? nullptr : &*it;
}

} // namespace DigitGlyphs
