#include "platform/report.h"

#include "platform/message_box.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <utility>

namespace platform {

namespace {

ReportOutputHandler& outputHandler() {
    static ReportOutputHandler handler;
    return handler;
}

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

QPageSize pageSizeOf(const TReportPageSetup& setup) {
    return QPageSize(QSizeF(setup.WidthMm, setup.HeightMm), QPageSize::Millimeter, QString(),
                     QPageSize::FuzzyOrientationMatch);
}

} // namespace

int reportBitmapPixels(double mm) {
    return static_cast<int>(std::lround(mm * ReportBitmapDpi / 25.4));
}

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

ReportOutputHandler setReportOutputHandler(ReportOutputHandler handler) {
    return std::exchange(outputHandler(), std::move(handler));
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

void TReportForm::paintPage(const TReportPage& page, QPainter& painter, double pxPerMm) const {
    auto px = [pxPerMm](const QRectF& r) {
        return QRectF(r.x() * pxPerMm, r.y() * pxPerMm, r.width() * pxPerMm, r.height() * pxPerMm);
    };
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    for (const auto& line : page.Lines) {
        painter.setPen(QPen(Qt::black, std::max(1.0, line.WidthMm * pxPerMm), Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QLineF(line.LineMm.p1() * pxPerMm, line.LineMm.p2() * pxPerMm));
    }
    for (const auto& rect : page.Rects) {
        painter.setPen(QPen(Qt::black, std::max(1.0, rect.WidthMm * pxPerMm), Qt::SolidLine, Qt::SquareCap,
                            Qt::MiterJoin));
        painter.drawRect(px(rect.RectMm));
    }
    for (const auto& image : page.Images)
        painter.drawImage(px(image.RectMm), image.Bitmap);
    painter.setPen(Qt::black);
    for (const auto& text : page.Texts) {
        painter.setFont(text.Font);
        painter.drawText(px(text.RectMm), text.Flags, text.Text);
    }
}

bool TReportForm::PaintPages(const std::vector<TReportPage>& pages, QPaintDevice& device,
                             const std::function<bool()>& newPage) const {
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const double pxPerMm = device.logicalDpiX() / 25.4;
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && newPage && !newPage())
            return false;
        paintPage(pages[i], painter, pxPerMm);
    }
    return painter.end();
}

QImage TReportForm::RenderPage(const TReportPage& page, double dpi) const {
    const double pxPerMm = dpi / 25.4;
    QImage image(static_cast<int>(std::lround(Page.WidthMm * pxPerMm)),
                 static_cast<int>(std::lround(Page.HeightMm * pxPerMm)), QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    QPainter painter(&image);
    paintPage(page, painter, pxPerMm);
    return image;
}

bool TReportForm::SavePdf(const std::vector<TReportPage>& pages, const QString& fileName) const {
    QPdfWriter writer(fileName);
    writer.setPageSize(pageSizeOf(Page));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(600);
    writer.setTitle(Title);
    return PaintPages(pages, writer, [&writer] { return writer.newPage(); });
}

QSize previewWindowSize(const QSize& available) {
    // A tenth of the area stays for the frame and the title bar.
    return QSize(std::min(800, available.width() * 9 / 10), std::min(1000, available.height() * 9 / 10));
}

void TReportForm::Preview(QWidget* parent) {
    if (outputHandler()) {
        outputHandler()(TReportOutput::Preview, Generate());
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(pageSizeOf(Page));
    printer.setFullPage(true);
    printer.setDocName(Title);
    QWidget* owner = parent ? parent : QApplication::activeWindow();
    QPrintPreviewDialog dialog(&printer, owner);
    dialog.setWindowTitle(Title);
    // Each rendering, also the print from the preview, is a run of its own.
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [this](QPrinter* target) {
        PaintPages(Generate(), *target, [target] { return target->newPage(); });
    });
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    dialog.resize(screen ? previewWindowSize(screen->availableGeometry().size()) : QSize(800, 1000));
    dialog.exec();
}

bool TReportForm::Print(QWidget* parent) {
    if (outputHandler()) {
        outputHandler()(TReportOutput::Print, Generate());
        return true;
    }
    if (QPrinterInfo::defaultPrinter().isNull() && QPrinterInfo::availablePrinters().isEmpty()) {
        messageBox(
            QStringLiteral("Es ist kein Drucker eingerichtet. Richten Sie in den Druckereinstellungen "
                           "des Systems (CUPS) einen Drucker ein. Zum Ausprobieren genügt ein "
                           "PDF-Drucker (Paket printer-driver-cups-pdf), der das Gedruckte als PDF-Datei "
                           "im Ordner PDF Ihres Benutzerverzeichnisses ablegt."),
            MessageButtons::Ok, MessageIcon::Stop);
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(pageSizeOf(Page));
    printer.setFullPage(true);
    printer.setDocName(Title);
    const std::vector<TReportPage> pages = Generate();
    QProgressDialog progress(QStringLiteral("Drucken..."), QString(), 0, static_cast<int>(pages.size()),
                             parent ? parent : QApplication::activeWindow());
    progress.setWindowTitle(Title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    QPainter painter;
    bool ok = painter.begin(&printer);
    const double pxPerMm = printer.logicalDpiX() / 25.4;
    for (size_t i = 0; ok && i < pages.size(); ++i) {
        progress.setValue(static_cast<int>(i));
        if (i > 0)
            ok = printer.newPage();
        if (ok)
            paintPage(pages[i], painter, pxPerMm);
    }
    if (painter.isActive())
        ok = painter.end() && ok;
    progress.setValue(static_cast<int>(pages.size()));
    if (!ok)
        messageBox(QStringLiteral("Der Druck ist fehlgeschlagen."), MessageButtons::Ok, MessageIcon::Stop);
    return ok;
}

} // namespace platform
