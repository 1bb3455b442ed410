#include "controls/Digit.h"

#include "controls/DigitGlyphs.h"

#include <QPainter>

#include <array>

TDigit::TDigit(QWidget* owner)
    : QWidget(owner), placement_(new ParentPlacement(this)), color_(0xC0, 0xC0, 0x40),
      data_(QStringLiteral("8")) {
    resize(DigitGlyphs::Width, DigitGlyphs::Height);
}

void TDigit::SetAlignment(TAlignment alignment) {
    if (alignment == alignment_)
        return;
    alignment_ = alignment;
    update();
}

void TDigit::SetAutoSize(bool on) {
    if (on == autoSize_)
        return;
    autoSize_ = on;
    if (on)
        resize(DigitGlyphs::Width, DigitGlyphs::Height);
    update();
}

void TDigit::SetColor(const QColor& color) {
    if (color == color_)
        return;
    color_ = color;
    update();
}

bool TDigit::SetnextDigit(TDigit* digit) {
    if (digit == nextDigit_)
        return true;
    for (TDigit* d = digit; d; d = d->nextDigit())
        if (d == this)
            return false;
    nextDigit_ = digit;
    return true;
}

void TDigit::SetData(const QString& text) {
    if (text != data_) {
        data_ = text;
        update();
    }
    PassDataToNextDigit();
}

void TDigit::SetOffsetX(int x) {
    if (x == offsetX_)
        return;
    offsetX_ = x;
    update();
}

void TDigit::SetOffsetY(int y) {
    if (y == offsetY_)
        return;
    offsetY_ = y;
    update();
}

void TDigit::PassDataToNextDigit() {
    if (nextDigit_)
        nextDigit_->SetData(data_.isEmpty() ? data_ : data_.chopped(1));
}

int TDigit::GlyphIndexOfChar(QChar c) {
    char16_t u = c.unicode();
    if (u >= u'a' && u <= u'z')
        u = static_cast<char16_t>(u - u'a' + u'A');
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return 10 + (u - u'A');
    switch (u) {
    case u'H':
        return 16;
    case u'L':
        return 17;
    case u'R':
        return 18;
    case u'U':
        return 19;
    case u',':
    case u'.':
        return 20;
    case u':':
        return 21;
    case u'-':
        return 22;
    case u'+':
        return 23;
    case u'>':
        return 24;
    case u'<':
        return 25;
    default:
        return BlankGlyph;
    }
}

QString TDigit::GlyphResourceName(int index) {
    static const std::array<const char*, 27> names = {
        "D0", "D1", "D2", "D3", "D4", "D5", "D6", "D7",  "D8", "D9", "DA", "DB", "DC", "DD",
        "DE", "DF", "DH", "DL", "DR", "DU", "DK", "DDP", "DM", "DP", "DG", "DS", "D",
    };
    if (index < 0 || index > BlankGlyph)
        index = BlankGlyph;
    return QLatin1String(names[static_cast<size_t>(index)]);
}

int TDigit::GlyphIndex() const {
    return data_.isEmpty() ? BlankGlyph : GlyphIndexOfChar(data_.back());
}

void TDigit::paintEvent(QPaintEvent*) {
    // The glyph's place comes from the control's own rectangle; the area being repainted may
    // be only a part of it.
    const int width = this->width();
    int x = 0;
    if (alignment_ == TAlignment::taRightJustify)
        x = width - DigitGlyphs::Width;
    else if (alignment_ == TAlignment::taCenter)
        x = (width - DigitGlyphs::Width) / 2;

    QPainter p(this);
    p.fillRect(rect(), color_);
    if (const QImage* glyph = DigitGlyphs::Find(GlyphResourceName(GlyphIndex())))
        p.drawImage(x + offsetX_, offsetY_, *glyph);
}

void TDigit::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (autoSize_ && size() != QSize(DigitGlyphs::Width, DigitGlyphs::Height))
        resize(DigitGlyphs::Width, DigitGlyphs::Height);
}
