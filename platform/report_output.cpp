#include "platform/report.h"

#include "platform/message_box.h"

#include <QApplication>
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

// The generated pages on their way out: painted on any device, shown in the preview window,
// printed, saved as PDF, or handed to the output handler that stands in for all of these.
namespace platform {

namespace {

ReportOutputHandler& outputHandler() {
    static ReportOutputHandler handler;
    return handler;
}

QPageSize pageSizeOf(const TReportPageSetup& setup) {
    return QPageSize(QSizeF(setup.WidthMm, setup.HeightMm), QPageSize::Millimeter, QString(),
                     QPageSize::FuzzyOrientationMatch);
}

} // namespace

ReportOutputHandler setReportOutputHandler(ReportOutputHandler handler) {
    return std::exchange(outputHandler(), std::move(handler));
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
