#pragma once

#include <QFont>
#include <QString>

// The fonts of the report forms and how wide their texts print.
namespace platform {

// The report font; Liberation Sans has the metrics of the font the forms were designed with.
QFont reportFont(double pointSize, bool bold = false);

// The resolutions a page is shown and printed at. Hinting makes a text's width differ between
// them, so a text that must fit has to fit at each.
inline constexpr double ReportPageDpis[] = {96, 100, 150, 300, 600, 1200};
// A text's width in millimetres where it is widest among the page's resolutions.
double reportTextWidthMm(const QString& text, const QFont& font);
double reportAscentMm(const QFont& font);
// The font in which text fits into roomMm: the font itself when the text fits; else smaller in
// steps of 0.5 pt down to minPointSize, and where even that is too wide, narrowed at that size
// until it fits, so that no letter is ever cut off.
QFont fittingFont(const QString& text, const QFont& font, double roomMm, double minPointSize);

} // namespace platform
