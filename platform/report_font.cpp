#include "platform/report_font.h"

#include <QFontMetricsF>
#include <QImage>

#include <algorithm>
#include <cmath>

namespace platform {

QFont reportFont(double pointSize, bool bold) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

namespace {

QFontMetricsF metricsAt(const QFont& font, double dpi) {
    QImage device(1, 1, QImage::Format_RGB32);
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    device.setDotsPerMeterX(dotsPerMeter);
    device.setDotsPerMeterY(dotsPerMeter);
    return QFontMetricsF(font, &device);
}

} // namespace

double reportTextWidthMm(const QString& text, const QFont& font) {
    double widest = 0;
    for (double dpi : ReportPageDpis)
        widest = std::max(widest, metricsAt(font, dpi).horizontalAdvance(text) * 25.4 / dpi);
    return widest;
}

double reportAscentMm(const QFont& font) {
    return metricsAt(font, 1200).ascent() * 25.4 / 1200;
}

QFont fittingFont(const QString& text, const QFont& font, double roomMm, double minPointSize) {
    QFont fitting = font;
    double width = reportTextWidthMm(text, fitting);
    while (width > roomMm && fitting.pointSizeF() - 0.5 >= minPointSize - 1e-9) {
        fitting.setPointSizeF(fitting.pointSizeF() - 0.5);
        width = reportTextWidthMm(text, fitting);
    }
    if (width <= roomMm || roomMm <= 0)
        return fitting;
    // Narrower letters keep the text readable where smaller ones would not be.
    int stretch = std::clamp(static_cast<int>(100.0 * roomMm / width), 1, 99);
    fitting.setStretch(stretch);
    while (stretch > 1 && reportTextWidthMm(text, fitting) > roomMm)
        fitting.setStretch(--stretch);
    return fitting;
}

} // namespace platform
