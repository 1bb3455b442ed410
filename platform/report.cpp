#include "platform/report.h"

#include <algorithm>
#include <utility>

// The layout: the form's bands, each with its elements, laid out page by page.
namespace platform {

namespace {

// A need-data handler that never says "no more" must not hang the program, also not with a
// detail band too low to ever fill a page.
constexpr int MaxPages = 1000;
constexpr int MaxDetailBands = 100000;

double lineHeightMm(const QFont& font) {
    const double pt = font.pointSizeF() > 0 ? font.pointSizeF() : 10.0;
    return pt * 25.4 / 72.0 * 1.2;
}

Qt::Alignment horizontal(TReportAlign align) {
    switch (align) {
    case TReportAlign::Center:
        return Qt::AlignHCenter;
    case TReportAlign::Right:
        return Qt::AlignRight;
    case TReportAlign::Left:
        break;
    }
    return Qt::AlignLeft;
}

} // namespace

QStringList TReportPage::AllTexts() const {
    QStringList texts;
    for (const auto& t : Texts)
        texts << t.Text;
    return texts;
}

const TPageText* TReportPage::FindText(const QString& text) const {
    for (const auto& t : Texts)
        if (t.Text == text)
            return &t;
    return nullptr;
}

void TReportLabel::Emit(TReportPage& page, QPointF origin, double bandWidth) {
    QString text = Caption;
    if (OnPrint)
        OnPrint(text);
    const double designedHeight = Height > 0 ? Height : lineHeightMm(Font);
    QFont font = Font;
    double shift = 0; // a smaller font moves down to stay on the designed baseline
    if (MinFontSize > 0 && !WordWrap && !text.isEmpty()) {
        font = fittingFont(text, Font, AlignToBand ? bandWidth : Width, MinFontSize);
        if (font != Font)
            shift = reportAscentMm(Font) - reportAscentMm(font);
    }
    const double height = Height > 0 ? Height - shift : lineHeightMm(font);
    QRectF rect;
    if (AlignToBand) {
        rect = QRectF(0.0, Top, bandWidth, height);
    } else if (AutoSize && !WordWrap) {
        // Wide enough for any line; the anchor stays where it was designed.
        const double room = bandWidth * 2;
        switch (Alignment) {
        case TReportAlign::Left:
            rect = QRectF(Left, Top, room, height);
            break;
        case TReportAlign::Right:
            rect = QRectF(Left + Width - room, Top, room, height);
            break;
        case TReportAlign::Center:
            rect = QRectF(Left + Width / 2 - room / 2, Top, room, height);
            break;
        }
    } else {
        rect = QRectF(Left, Top, Width, height);
    }
    rect.translate(origin + QPointF(0.0, shift));
    if (!text.isEmpty()) {
        int flags = int(Qt::AlignTop | horizontal(Alignment));
        flags |= WordWrap ? int(Qt::TextWordWrap) : int(Qt::TextSingleLine);
        if (AutoSize || WordWrap)
            flags |= Qt::TextDontClip;
        page.Texts.push_back({text, rect, font, flags});
    }
    if (FrameBottom) {
        const QPointF from = origin + QPointF(Left, Top + designedHeight);
        page.Lines.push_back({QLineF(from, from + QPointF(Width, 0.0)), 0.2});
    }
}

void TReportShape::Emit(TReportPage& page, QPointF origin, double /*bandWidth*/) {
    const QPointF at = origin + QPointF(Left, Top);
    switch (Kind) {
    case TShapeKind::HorLine:
        page.Lines.push_back({QLineF(at, at + QPointF(Width, 0.0)), PenWidth});
        break;
    case TShapeKind::VertLine:
        page.Lines.push_back({QLineF(at, at + QPointF(0.0, Height)), PenWidth});
        break;
    case TShapeKind::Rectangle:
        page.Rects.push_back({QRectF(at, QSizeF(Width, Height)), PenWidth});
        break;
    }
}

QImage& TReportImage::Bitmap() {
    if (bitmap_.isNull()) {
        bitmap_ = QImage(std::max(1, pixelWidth_), std::max(1, pixelHeight_), QImage::Format_RGB32);
        bitmap_.fill(Qt::white);
    }
    return bitmap_;
}

void TReportImage::Emit(TReportPage& page, QPointF origin, double /*bandWidth*/) {
    // An image nobody drew on prints white, as its first canvas would be.
    page.Images.push_back({QRectF(origin + QPointF(Left, Top), QSizeF(Width, Height)), Bitmap()});
}

void TReportMemo::SetText(const QString& text) {
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    Lines = normalised.isEmpty() ? QStringList() : normalised.split(QLatin1Char('\n'));
}

void TReportMemo::Emit(TReportPage& page, QPointF origin, double /*bandWidth*/) {
    if (Lines.isEmpty())
        return;
    int flags = int(Qt::AlignTop | Qt::AlignLeft);
    if (WordWrap)
        flags |= Qt::TextWordWrap;
    page.Texts.push_back({Lines.join(QLatin1Char('\n')),
                          QRectF(origin + QPointF(Left, Top), QSizeF(Width, Height)), Font, flags});
}

template <class T> T* TReportBand::add(std::unique_ptr<T> element) {
    T* raw = element.get();
    elements_.push_back(std::move(element));
    return raw;
}

TReportLabel* TReportBand::AddLabel(double left, double top, const QString& caption, const QFont& font) {
    auto label = std::make_unique<TReportLabel>();
    label->Left = left;
    label->Top = top;
    label->Caption = caption;
    label->Font = font;
    return add(std::move(label));
}

TReportShape* TReportBand::AddShape(TShapeKind kind, double left, double top, double width, double height) {
    auto shape = std::make_unique<TReportShape>();
    shape->Kind = kind;
    shape->Left = left;
    shape->Top = top;
    shape->Width = width;
    shape->Height = height;
    return add(std::move(shape));
}

TReportShape* TReportBand::AddHorLine(double left, double top, double width) {
    return AddShape(TShapeKind::HorLine, left, top, width, 0.0);
}

TReportShape* TReportBand::AddVertLine(double left, double top, double height) {
    return AddShape(TShapeKind::VertLine, left, top, 0.0, height);
}

TReportImage* TReportBand::AddImage(double left, double top, double width, double height, int pixelWidth,
                                    int pixelHeight) {
    auto image = std::make_unique<TReportImage>(pixelWidth, pixelHeight);
    image->Left = left;
    image->Top = top;
    image->Width = width;
    image->Height = height;
    return add(std::move(image));
}

TReportMemo* TReportBand::AddMemo(double left, double top, double width, double height, const QFont& font) {
    auto memo = std::make_unique<TReportMemo>();
    memo->Left = left;
    memo->Top = top;
    memo->Width = width;
    memo->Height = height;
    memo->Font = font;
    return add(std::move(memo));
}

TReportForm::TReportForm() = default;
TReportForm::~TReportForm() = default;

TReportBand* TReportForm::AddBand(TBandType type, double height) {
    if (TReportBand* existing = Band(type)) {
        existing->Height = height;
        return existing;
    }
    bands_.push_back(std::make_unique<TReportBand>(type, height));
    return bands_.back().get();
}

TReportBand* TReportForm::Band(TBandType type) const {
    for (const auto& band : bands_)
        if (band->Type == type)
            return band.get();
    return nullptr;
}

void TReportForm::emitBand(TReportPage& page, TReportBand& band, double top) {
    if (band.BeforePrint)
        band.BeforePrint();
    const QPointF origin(Page.LeftMm, top);
    const double width = BandWidth();
    const QPointF topRight = origin + QPointF(width, 0.0);
    const QPointF bottomLeft = origin + QPointF(0.0, band.Height);
    const QPointF bottomRight = origin + QPointF(width, band.Height);
    if (band.FrameTop)
        page.Lines.push_back({QLineF(origin, topRight), 0.25});
    if (band.FrameBottom)
        page.Lines.push_back({QLineF(bottomLeft, bottomRight), 0.25});
    if (band.FrameLeft)
        page.Lines.push_back({QLineF(origin, bottomLeft), 0.25});
    if (band.FrameRight)
        page.Lines.push_back({QLineF(topRight, bottomRight), 0.25});
    for (const auto& element : band.elements_)
        element->Emit(page, origin, width);
}

std::vector<TReportPage> TReportForm::Generate() {
    std::vector<TReportPage> pages;
    pageNumber_ = 0;
    if (BeforePrint)
        BeforePrint();
    TReportBand* header = Band(TBandType::PageHeader);
    TReportBand* detail = Band(TBandType::Detail);
    TReportBand* footer = Band(TBandType::PageFooter);
    const double contentBottom = Page.HeightMm - Page.BottomMm;
    const double footerTop = footer ? contentBottom - footer->Height : contentBottom;
    double y = 0.0;
    int bandsOnPage = 0;

    auto startPage = [&] {
        ++pageNumber_;
        pages.emplace_back();
        pages.back().Number = pageNumber_;
        y = Page.TopMm;
        bandsOnPage = 0;
        if (header) {
            emitBand(pages.back(), *header, y);
            y += header->Height;
        }
    };
    auto finishPage = [&] {
        if (footer)
            emitBand(pages.back(), *footer, footerTop);
    };

    startPage();
    if (detail) {
        for (int printed = 0; printed < MaxDetailBands; ++printed) {
            if (OnNeedData) {
                bool more = false;
                OnNeedData(more);
                if (!more)
                    break;
            } else if (printed > 0) {
                break;
            }
            // A band higher than the page still prints, alone on its page.
            if (bandsOnPage > 0 && y + detail->Height > footerTop + 1e-6) {
                if (pageNumber_ >= MaxPages)
                    break;
                finishPage();
                startPage();
            }
            emitBand(pages.back(), *detail, y);
            y += detail->Height;
            ++bandsOnPage;
        }
    }
    finishPage();
    return pages;
}

} // namespace platform
