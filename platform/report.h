#pragma once

#include "platform/report_font.h"

#include <QFont>
#include <QImage>
#include <QLineF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QPaintDevice;
class QPainter;
class QWidget;

// A small banded report engine on QPainter: a form of A4 pages with page header, detail and
// page footer bands holding labels, shapes, images and memos. Every length is in millimetres
// from the top left corner of the band that holds the element; image bitmaps are in pixels
// at 96 per inch, as they were designed.
namespace platform {

struct TReportPageSetup {
    double WidthMm = 210.0; // A4 portrait
    double HeightMm = 297.0;
    double TopMm = 0.0;
    double BottomMm = 0.0;
    double LeftMm = 0.0;
    double RightMm = 0.0;
};

// What one generated page holds, ready to be painted on any device.
struct TPageText {
    QString Text;
    QRectF RectMm;
    QFont Font;
    int Flags = 0; // Qt::AlignmentFlag | Qt::TextFlag
};
struct TPageLine {
    QLineF LineMm;
    double WidthMm = 0.2;
};
struct TPageRect {
    QRectF RectMm;
    double WidthMm = 0.2;
};
struct TPageImage {
    QRectF RectMm;
    QImage Bitmap; // shared copy of the image as it was when the band was laid out
};
struct TReportPage {
    int Number = 0;
    std::vector<TPageText> Texts;
    std::vector<TPageLine> Lines;
    std::vector<TPageRect> Rects;
    std::vector<TPageImage> Images;

    QStringList AllTexts() const;
    // The first text equal to text, or nullptr.
    const TPageText* FindText(const QString& text) const;
};

class TReportBand;

class TReportElement {
public:
    virtual ~TReportElement() = default;
    QString Name;
    double Left = 0.0;
    double Top = 0.0;
    double Width = 0.0;
    double Height = 0.0;

protected:
    friend class TReportForm;
    // Adds the element to page; the band's top left corner lies at origin.
    virtual void Emit(TReportPage& page, QPointF origin, double bandWidth) = 0;
};

enum class TReportAlign { Left, Center, Right };

class TReportLabel : public TReportElement {
public:
    QString Caption;
    TReportAlign Alignment = TReportAlign::Left;
    // Aligns on the band's width instead of the label's own area.
    bool AlignToBand = false;
    // An automatically sized label grows from its anchor: the left edge for left alignment, the
    // right edge (Left + Width) for right alignment, the middle for centring.
    bool AutoSize = true;
    bool WordWrap = false;
    QFont Font;
    bool FrameBottom = false; // a rule under the label's area
    // Above 0 the text never reaches past Width: a wider text prints in fittingFont down to this
    // size, on the label's baseline.
    double MinFontSize = 0;
    // Runs just before the label is laid out with the text to print; may replace it.
    std::function<void(QString& value)> OnPrint;

protected:
    void Emit(TReportPage& page, QPointF origin, double bandWidth) override;
};

enum class TShapeKind { HorLine, VertLine, Rectangle };

class TReportShape : public TReportElement {
public:
    TShapeKind Kind = TShapeKind::HorLine;
    double PenWidth = 0.25;

protected:
    void Emit(TReportPage& page, QPointF origin, double bandWidth) override;
};

class TReportImage : public TReportElement {
public:
    TReportImage(int pixelWidth, int pixelHeight) : pixelWidth_(pixelWidth), pixelHeight_(pixelHeight) {}
    // The image's canvas: created white at the image's pixel size on first use; what is drawn on
    // it stays until drawn over and prints stretched over the image's area.
    QImage& Bitmap();
    int PixelWidth() const { return pixelWidth_; }
    int PixelHeight() const { return pixelHeight_; }

protected:
    void Emit(TReportPage& page, QPointF origin, double bandWidth) override;

private:
    int pixelWidth_;
    int pixelHeight_;
    QImage bitmap_;
};

class TReportMemo : public TReportElement {
public:
    QStringList Lines;
    bool WordWrap = true;
    QFont Font;
    // Sets the lines at once; every line break of text starts a new line.
    void SetText(const QString& text);

protected:
    void Emit(TReportPage& page, QPointF origin, double bandWidth) override;
};

enum class TBandType { PageHeader, Detail, PageFooter };

class TReportBand {
public:
    TReportBand(TBandType type, double height) : Type(type), Height(height) {}
    const TBandType Type;
    double Height;
    bool FrameLeft = false, FrameTop = false, FrameRight = false, FrameBottom = false;
    // Runs before each printing of the band.
    std::function<void()> BeforePrint;

    TReportLabel* AddLabel(double left, double top, const QString& caption, const QFont& font);
    TReportShape* AddShape(TShapeKind kind, double left, double top, double width, double height);
    TReportShape* AddHorLine(double left, double top, double width);
    TReportShape* AddVertLine(double left, double top, double height);
    TReportImage* AddImage(double left, double top, double width, double height, int pixelWidth,
                           int pixelHeight);
    TReportMemo* AddMemo(double left, double top, double width, double height, const QFont& font);

private:
    friend class TReportForm;
    template <class T> T* add(std::unique_ptr<T> element);
    std::vector<std::unique_ptr<TReportElement>> elements_;
};

// Size of the preview window: 800 x 1000 pixels, less where the screen's available area is
// smaller, leaving room for the window's frame.
QSize previewWindowSize(const QSize& available);

// Replaces the preview window and the printer (tests, export): gets the pages of one run.
enum class TReportOutput { Preview, Print };
using ReportOutputHandler = std::function<void(TReportOutput, const std::vector<TReportPage>& pages)>;
// Returns the handler before; an empty handler brings the preview window and printer back.
ReportOutputHandler setReportOutputHandler(ReportOutputHandler handler);

class TReportForm {
public:
    TReportForm();
    ~TReportForm();
    TReportForm(const TReportForm&) = delete;
    TReportForm& operator=(const TReportForm&) = delete;

    TReportPageSetup Page;
    QString Title; // the preview window's caption and the print job's name

    // Raised once at the start of every generation, before any band is laid out.
    std::function<void()> BeforePrint;
    // Raised before each detail band; false ends the report. Without it the detail band
    // prints once.
    std::function<void(bool& moreData)> OnNeedData;

    // The band of a type; at most one of each.
    TReportBand* AddBand(TBandType type, double height);
    TReportBand* Band(TBandType type) const;
    double BandWidth() const { return Page.WidthMm - Page.LeftMm - Page.RightMm; }

    // Number of the page being generated, 1 for the first.
    int PageNumber() const { return pageNumber_; }

    // One run: raises the events and lays out every page.
    std::vector<TReportPage> Generate();
    // Generates and shows the pages in a preview window from which they may be printed; returns
    // when the window is closed.
    void Preview(QWidget* parent = nullptr);
    // Generates and prints on the default printer with a progress window; false when there is
    // no printer or printing failed (the user has been told).
    bool Print(QWidget* parent = nullptr);

    // Paints pages on a device whose painter starts at the paper's corner. Returns false when the
    // device cannot be painted on.
    bool PaintPages(const std::vector<TReportPage>& pages, QPaintDevice& device,
                    const std::function<bool()>& newPage) const;
    QImage RenderPage(const TReportPage& page, double dpi) const;
    bool SavePdf(const std::vector<TReportPage>& pages, const QString& fileName) const;

private:
    void paintPage(const TReportPage& page, QPainter& painter, double pxPerMm) const;
    void emitBand(TReportPage& page, TReportBand& band, double top);

    std::vector<std::unique_ptr<TReportBand>> bands_;
    int pageNumber_ = 0;
};

} // namespace platform
