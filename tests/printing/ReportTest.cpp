// The report engine: event order, bands and pagination, images, and painting on a page image.
#include "platform/report.h"

#include "platform/message_box.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPrinterInfo>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

using namespace platform;

namespace {

TReportForm& a4(TReportForm& form) {
    form.Page = {210.0, 297.0, 25.0, 15.0, 30.0, 20.0};
    return form;
}

// Darkness of a page pixel at a position in millimetres.
bool darkAt(const QImage& page, double xMm, double yMm, double dpi) {
    const QColor c = page.pixelColor(int(xMm * dpi / 25.4), int(yMm * dpi / 25.4));
    return c.lightness() < 128;
}

} // namespace

TEST(ReportEngine, BeforePrintRunsBeforeAnyBandIsLaidOut) {
    TReportForm form;
    a4(form);
    TReportBand* detail = form.AddBand(TBandType::Detail, 20);
    TReportLabel* label = detail->AddLabel(0, 0, QStringLiteral("design"), reportFont(10));
    int runs = 0;
    form.BeforePrint = [&] { label->Caption = QStringLiteral("Lauf %1").arg(++runs); };
    auto pages = form.Generate();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].AllTexts(), QStringList{QStringLiteral("Lauf 1")});
    pages = form.Generate();
    EXPECT_EQ(pages[0].AllTexts(), QStringList{QStringLiteral("Lauf 2")});
}

TEST(ReportEngine, EmptyReportStillPrintsOnePage) {
    TReportForm form;
    const auto pages = form.Generate();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].Number, 1);
    EXPECT_TRUE(pages[0].Texts.empty());
}

TEST(ReportEngine, DetailWithoutNeedDataPrintsOnceWithHeaderAndFooter) {
    TReportForm form;
    a4(form);
    form.AddBand(TBandType::PageHeader, 10)->AddLabel(0, 0, QStringLiteral("Kopf"), reportFont(10));
    form.AddBand(TBandType::Detail, 30)->AddLabel(0, 0, QStringLiteral("Daten"), reportFont(10));
    form.AddBand(TBandType::PageFooter, 8)->AddLabel(0, 1, QStringLiteral("Fuß"), reportFont(8));
    const auto pages = form.Generate();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].AllTexts(),
              (QStringList{QStringLiteral("Kopf"), QStringLiteral("Daten"), QStringLiteral("Fuß")}));
    // Header at the top margin, detail below it, footer ending at the bottom margin.
    EXPECT_DOUBLE_EQ(pages[0].FindText(QStringLiteral("Kopf"))->RectMm.top(), 25.0);
    EXPECT_DOUBLE_EQ(pages[0].FindText(QStringLiteral("Daten"))->RectMm.top(), 35.0);
    EXPECT_DOUBLE_EQ(pages[0].FindText(QStringLiteral("Fuß"))->RectMm.top(), 297.0 - 15.0 - 8.0 + 1.0);
    EXPECT_DOUBLE_EQ(pages[0].FindText(QStringLiteral("Daten"))->RectMm.left(), 30.0);
}

TEST(ReportEngine, NeedDataPaginatesAndPageNumberIsValidInPrintEvent) {
    TReportForm form;
    a4(form);
    // 257 mm of room less a 17 mm header: 24 rows of 10 mm per page.
    TReportBand* header = form.AddBand(TBandType::PageHeader, 17);
    TReportLabel* pageLabel = header->AddLabel(0, 0, QString(), reportFont(10));
    pageLabel->OnPrint = [&](QString& value) { value = QStringLiteral("Seite %1").arg(form.PageNumber()); };
    TReportBand* detail = form.AddBand(TBandType::Detail, 10);
    TReportLabel* row = detail->AddLabel(0, 0, QString(), reportFont(10));
    int index = 0;
    int detailEvents = 0;
    form.BeforePrint = [&] { index = 0; };
    form.OnNeedData = [&](bool& more) { more = ++index <= 50; };
    detail->BeforePrint = [&] {
        ++detailEvents;
        row->Caption = QString::number(index);
    };
    const auto pages = form.Generate();
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(detailEvents, 50);
    EXPECT_EQ(pages[0].AllTexts().size(), 25);
    EXPECT_EQ(pages[1].AllTexts().front(), QStringLiteral("Seite 2"));
    EXPECT_EQ(pages[1].AllTexts().at(1), QStringLiteral("25"));
    EXPECT_EQ(pages[2].AllTexts(),
              (QStringList{QStringLiteral("Seite 3"), QStringLiteral("49"), QStringLiteral("50")}));
    // The caption itself stays as designed; only the printed text is replaced.
    EXPECT_TRUE(pageLabel->Caption.isEmpty());
}

TEST(ReportEngine, NeedDataThatNeverEndsStopsAtAPageLimit) {
    TReportForm form;
    a4(form);
    form.AddBand(TBandType::Detail, 100);
    form.OnNeedData = [](bool& more) { more = true; };
    const auto pages = form.Generate();
    EXPECT_GE(pages.size(), 100u);
    EXPECT_LE(pages.size(), 1000u);
}

TEST(ReportEngine, NeedDataThatNeverEndsOnABandWithoutHeightStillEnds) {
    TReportForm form;
    a4(form);
    form.AddBand(TBandType::Detail, 0);
    int asked = 0;
    form.OnNeedData = [&asked](bool& more) { more = ++asked > 0; };
    const auto pages = form.Generate();
    EXPECT_EQ(pages.size(), 1u);
    EXPECT_LE(asked, 100000);
}

TEST(ReportEngine, ImageCanvasStartsWhiteAndEachBandKeepsItsOwnPicture) {
    TReportForm form;
    a4(form);
    TReportBand* detail = form.AddBand(TBandType::Detail, 20);
    TReportImage* image = detail->AddImage(0, 0, 40, 7.7, 151, 29);
    EXPECT_EQ(image->Bitmap().size(), QSize(151, 29));
    EXPECT_EQ(image->Bitmap().pixelColor(75, 14), QColor(Qt::white));
    int index = 0;
    form.OnNeedData = [&](bool& more) { more = ++index <= 2; };
    detail->BeforePrint = [&] { image->Bitmap().setPixelColor(index, 0, Qt::black); };
    const auto pages = form.Generate();
    ASSERT_EQ(pages[0].Images.size(), 2u);
    EXPECT_EQ(pages[0].Images[0].Bitmap.pixelColor(2, 0), QColor(Qt::white));
    EXPECT_EQ(pages[0].Images[1].Bitmap.pixelColor(2, 0), QColor(Qt::black));
    // What was drawn stays on the image's canvas for the next run.
    EXPECT_EQ(image->Bitmap().pixelColor(1, 0), QColor(Qt::black));
}

TEST(ReportEngine, LabelAlignmentAndMemoLines) {
    TReportForm form;
    a4(form);
    TReportBand* detail = form.AddBand(TBandType::Detail, 50);
    TReportLabel* centred = detail->AddLabel(0, 0, QStringLiteral("Mitte"), reportFont(10));
    centred->Alignment = TReportAlign::Center;
    centred->AlignToBand = true;
    TReportLabel* right = detail->AddLabel(0, 10, QStringLiteral("rechts"), reportFont(10));
    right->Width = 72;
    right->Alignment = TReportAlign::Right;
    TReportMemo* memo = detail->AddMemo(4, 20, 154, 30, reportFont(10));
    memo->SetText(QStringLiteral("erste\r\nzweite\ndritte"));
    EXPECT_EQ(memo->Lines.size(), 3);
    const auto pages = form.Generate();
    const TPageText* c = pages[0].FindText(QStringLiteral("Mitte"));
    ASSERT_NE(c, nullptr);
    EXPECT_DOUBLE_EQ(c->RectMm.center().x(), 30.0 + 80.0);
    EXPECT_TRUE(c->Flags & Qt::AlignHCenter);
    const TPageText* r = pages[0].FindText(QStringLiteral("rechts"));
    ASSERT_NE(r, nullptr);
    EXPECT_DOUBLE_EQ(r->RectMm.right(), 30.0 + 72.0);
    EXPECT_TRUE(r->Flags & Qt::AlignRight);
    EXPECT_NE(pages[0].FindText(QStringLiteral("erste\nzweite\ndritte")), nullptr);
}

TEST(ReportEngine, PagePaintsLinesImagesAndTextWhereTheyWereLaidOut) {
    TReportForm form;
    a4(form);
    TReportBand* detail = form.AddBand(TBandType::Detail, 100);
    detail->FrameLeft = true;
    detail->AddHorLine(10, 20, 50)->PenWidth = 0.5;
    TReportImage* image = detail->AddImage(100, 50, 20, 10, 20, 10);
    image->Bitmap().fill(Qt::black);
    detail->AddLabel(10, 70, QStringLiteral("MMMMMMMM"), reportFont(18, true));
    const auto pages = form.Generate();
    const double dpi = 150;
    const QImage page = form.RenderPage(pages[0], dpi);
    EXPECT_EQ(page.width(), 1240);
    EXPECT_TRUE(darkAt(page, 30.0, 60.0, dpi));   // left frame of the band
    EXPECT_TRUE(darkAt(page, 60.0, 45.0, dpi));   // the rule
    EXPECT_FALSE(darkAt(page, 60.0, 47.0, dpi));  // and nothing below it
    EXPECT_TRUE(darkAt(page, 140.0, 80.0, dpi));  // the image stretched over its area
    EXPECT_FALSE(darkAt(page, 152.0, 80.0, dpi)); // and not beyond
    EXPECT_FALSE(darkAt(page, 5.0, 5.0, dpi));    // the margin is blank
    int dark = 0;                                 // the text's strokes
    for (int x = int(40 * dpi / 25.4); x < int(70 * dpi / 25.4); ++x)
        for (int y = int(95 * dpi / 25.4); y < int(102 * dpi / 25.4); ++y)
            dark += page.pixelColor(x, y).lightness() < 128;
    EXPECT_GT(dark, 100);
}

TEST(ReportEngine, SavesPagesAsPdf) {
    TReportForm form;
    a4(form);
    form.AddBand(TBandType::Detail, 200);
    form.OnNeedData = [n = 0](bool& more) mutable { more = ++n <= 2; };
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bericht.pdf"));
    ASSERT_TRUE(form.SavePdf(form.Generate(), file));
    QFile pdf(file);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray content = pdf.readAll();
    EXPECT_TRUE(content.startsWith("%PDF"));
    EXPECT_EQ(content.count("/Type /Page") - content.count("/Type /Pages"), 2);
}

TEST(ReportEngine, OutputHandlerReceivesEachPreviewAndPrintRun) {
    TReportForm form;
    a4(form);
    int runs = 0;
    form.BeforePrint = [&] { ++runs; };
    std::vector<TReportOutput> seen;
    auto before = setReportOutputHandler([&](TReportOutput what, const std::vector<TReportPage>& pages) {
        seen.push_back(what);
        EXPECT_EQ(pages.size(), 1u);
    });
    form.Preview();
    EXPECT_TRUE(form.Print());
    setReportOutputHandler(before);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(seen, (std::vector<TReportOutput>{TReportOutput::Preview, TReportOutput::Print}));
}

TEST(ReportEngine, PreviewWindowRendersARunAndReturnsWhenClosed) {
    TReportForm form;
    a4(form);
    form.Title = QStringLiteral("Vorschau");
    form.AddBand(TBandType::Detail, 20)->AddLabel(0, 0, QStringLiteral("Inhalt"), reportFont(10));
    int runs = 0;
    form.BeforePrint = [&] { ++runs; };
    QString caption;
    bool fitsTheScreen = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* window = QApplication::activeModalWidget()) {
            caption = window->windowTitle();
            fitsTheScreen = window->screen()->availableGeometry().contains(window->frameGeometry());
            if (const QByteArray dir = qgetenv("GT_REPORT_PNG_DIR"); !dir.isEmpty())
                window->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/vorschau.png"));
            window->close();
        }
    });
    closer.start(300);
    form.Preview();
    EXPECT_EQ(caption, QStringLiteral("Vorschau"));
    EXPECT_TRUE(fitsTheScreen);
    EXPECT_GE(runs, 1);
    EXPECT_EQ(previewWindowSize(QSize(1920, 1050)), QSize(800, 945));
    EXPECT_EQ(previewWindowSize(QSize(1366, 738)), QSize(800, 664));
}

TEST(ReportEngine, PrintWithoutPrinterTellsTheUser) {
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "a printer is set up here; nothing is printed by the tests";
    TReportForm form;
    QString told;
    auto before = setMessageBoxHandler([&](const QString& text, MessageButtons, MessageIcon) {
        told = text;
        return MessageResult::Ok;
    });
    EXPECT_FALSE(form.Print());
    setMessageBoxHandler(before);
    // What is wrong, then how to set a printer up.
    EXPECT_TRUE(told.startsWith(QStringLiteral("Es ist kein Drucker eingerichtet. "))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("Druckereinstellungen des Systems (CUPS)")));
    EXPECT_TRUE(told.contains(QStringLiteral("printer-driver-cups-pdf")));
}
