#pragma once

#include "controls/ParentPlacement.h"

#include <QColor>
#include <QPointer>
#include <QString>
#include <QWidget>

// One character as a seven-segment glyph. Digits form a row by chaining: the row's text goes
// to its rightmost digit, which shows the last character and hands the rest to nextDigit, the
// digit at its left, and so on.
class TDigit : public QWidget {
    Q_OBJECT
public:
    enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
    static constexpr int BlankGlyph = 26;

    explicit TDigit(QWidget* owner = nullptr);

    TAlign Align() const { return placement_->Align(); }
    void SetAlign(TAlign align) { placement_->SetAlign(align); }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    // While set the control keeps the glyph's size.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);
    TDigit* nextDigit() const { return nextDigit_.data(); }
    // Refuses the digit itself and any digit whose chain leads back to this one, so a row can
    // never loop; returns whether the digit is now the next one. Passes no text on.
    bool SetnextDigit(TDigit* digit);
    const QString& Data() const { return data_; }
    void SetData(const QString& text);
    int OffsetX() const { return offsetX_; }
    void SetOffsetX(int x);
    int OffsetY() const { return offsetY_; }
    void SetOffsetY(int y);

    // Gives nextDigit this digit's text without its last character.
    void PassDataToNextDigit();
    static int GlyphIndexOfChar(QChar c);
    static QString GlyphResourceName(int index);
    // Glyph of the last character of Data; the blank glyph for an empty text.
    int GlyphIndex() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    ParentPlacement* placement_;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool autoSize_ = false;
    QColor color_;
    QPointer<TDigit> nextDigit_; // a destroyed digit is forgotten
    QString data_;
    int offsetX_ = 0;
    int offsetY_ = 0;
};
