#pragma once

#include <QHash>
#include <QImage>
#include <QString>

// The glyph pictures of the seven-segment digit: 17 x 27 pixels, lit segments drawn on a
// transparent ground so the digit's display colour shows through. Named "D0" .. "D9", "DA" ..
// "DF", "DH", "DL", "DR", "DU", "DK" (comma and point), "DDP" (colon), "DM" (minus), "DP"
// (plus), "DG" (greater), "DS" (less) and "D" (blank).
namespace DigitGlyphs {

constexpr int Width = 17;
constexpr int Height = 27;

// The program's glyph resources, rendered on first use (UI thread only).
QHash<QString, QImage>& Resources();
// The named glyph, or nullptr when there is none of that name.
const QImage* Find(const QString& name);
// Draws the named glyph afresh; a null image for a name that is not a glyph.
QImage Render(const QString& name);

} // namespace DigitGlyphs
