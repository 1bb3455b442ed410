// The two barcode sheets and the dialog that chooses between them.
#include "printing/Barcd4.h"
#include "printing/BarcdWahlDlg.h"
#include "printing/ConfigBarcodes.h"
#include "printing/ControlBarcodeTable.h"
#include "printing/Steuerbarcodes.h"

#include <QPainter>
#include <QRegularExpression>

#include <gtest/gtest.h>

using platform::TReportOutput;
using platform::TReportPage;

namespace {

// The captions of the control-barcode rows on a page, in order.
QStringList rowCaptions(const TReportPage& page) {
    QStringList rows;
    for (const auto& t : page.Texts)
        if (t.RectMm.left() > 30.0 + 42.0 && t.RectMm.left() < 30.0 + 43.0)
            rows << t.Text;
    return rows;
}

// The code as the sheets draw it: no quiet zone, narrow module 1, as high as the image.
QImage reference(TBarCodeType type, const QString& text, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    TPrintBarcode barcode;
    barcode.SetBarCodeType(type);
    barcode.SetLeadInWidth(0);
    barcode.SetModuleNarrow(1);
    barcode.SetHeight(size.height());
    barcode.SetText(text);
    QPainter canvas(&image);
    barcode.DrawOnCanvas(canvas, QPoint(0, 0));
    return image;
}

TEST(ControlBarcodeTable, TwelveDigitCodesOfTwoDigitFunctionNumbers) {
    QStringList functions;
    for (const TCode& code : ControlBarcodeTable) {
        const QString text = QString::fromLatin1(code.Barcode);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9]{2}0{10}$")).match(text).hasMatch())
            << code.Barcode;
        EXPECT_NE(QString::fromUtf8(code.Caption), QString());
        functions << text.left(2);
    }
    functions.removeDuplicates();
    EXPECT_EQ(functions.size(), ControlBarcodeCount);
    EXPECT_STREQ(ControlBarcodeTable.front().Barcode, "990000000000");
    EXPECT_STREQ(ControlBarcodeTable[24].Caption, "Einstellung blockieren");
    EXPECT_STREQ(ControlBarcodeTable.back().Barcode, "570000000000");
}

TEST(Steuerbarcodes, FortyThreeRowsOnThreeNumberedPages) {
    TSteuerbarcodes sheet;
    const auto pages = sheet.QuickRep1.Generate();
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(rowCaptions(pages[0]).size(), 19);
    EXPECT_EQ(rowCaptions(pages[1]).size(), 19);
    EXPECT_EQ(rowCaptions(pages[2]).size(), 5);
    QStringList all;
    for (int p = 0; p < 3; ++p) {
        all << rowCaptions(pages[p]);
        EXPECT_NE(pages[p].FindText(QStringLiteral("Seite %1 von 3").arg(p + 1)), nullptr);
        EXPECT_NE(pages[p].FindText(QStringLiteral("Steuerbarcodes")), nullptr);
        EXPECT_NE(pages[p].FindText(QStringLiteral("zur Einstellung des Gerätetesters")), nullptr);
        EXPECT_EQ(pages[p].Images.size(), size_t(p < 2 ? 19 : 5));
    }
    ASSERT_EQ(all.size(), ControlBarcodeCount);
    for (int i = 0; i < ControlBarcodeCount; ++i)
        EXPECT_EQ(all[i], QString::fromUtf8(ControlBarcodeTable[size_t(i)].Caption)) << i;
    // Rows follow each other 12.7 mm apart below the 13.5 mm page header.
    const auto* first = pages[1].FindText(QString::fromUtf8(ControlBarcodeTable[19].Caption));
    ASSERT_NE(first, nullptr);
    EXPECT_NEAR(first->RectMm.top(), 25.0 + 13.5 + 5.3, 1e-9);
    EXPECT_NEAR(pages[1].Images[1].RectMm.top() - pages[1].Images[0].RectMm.top(), 12.7, 1e-9);
}

TEST(Steuerbarcodes, EachRowCarriesItsOwnInterleavedCode) {
    TSteuerbarcodes sheet;
    const auto pages = sheet.QuickRep1.Generate();
    std::vector<QImage> rows;
    for (const auto& page : pages)
        for (const auto& image : page.Images)
            rows.push_back(image.Bitmap);
    ASSERT_EQ(rows.size(), size_t(ControlBarcodeCount));
    for (size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), QSize(151, 29));
        EXPECT_EQ(rows[i], reference(TBarCodeType::Interleaved2Of5,
                                     QString::fromLatin1(ControlBarcodeTable[i].Barcode), QSize(151, 29)))
            << "row " << i + 1;
    }
    EXPECT_NE(rows[0], rows[1]);
    if (const QByteArray dir = qgetenv("GT_REPORT_PNG_DIR"); !dir.isEmpty())
        sheet.QuickRep1.RenderPage(pages[2], 150)
            .save(QString::fromLocal8Bit(dir) + QStringLiteral("/steuer3.png"));
    // The symbol starts at the image's left edge: no quiet zone.
    EXPECT_EQ(rows[0].pixelColor(0, 14), QColor(Qt::black));
}

TEST(Steuerbarcodes, SecondRunStartsAgainAtRowOne) {
    TSteuerbarcodes sheet;
    sheet.QuickRep1.Generate();
    const auto pages = sheet.QuickRep1.Generate();
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(rowCaptions(pages[0]).front(), QString::fromUtf8(ControlBarcodeTable[0].Caption));
    EXPECT_EQ(rowCaptions(pages[2]).back(), QString::fromUtf8(ControlBarcodeTable[42].Caption));
}

TEST(ConfigBarcodes, OnePageWithFiveCodesInOrder) {
    TConfigBarcodes sheet;
    const auto pages = sheet.QuickRep1.Generate();
    ASSERT_EQ(pages.size(), 1u);
    const TReportPage& page = pages[0];
    EXPECT_NE(page.FindText(QStringLiteral("Barcodeleser-Konfiguration")), nullptr);
    EXPECT_EQ(page.AllTexts().filter(QStringLiteral("Zur Neukonfigurierung des Barcodelesers")).size(), 1);
    const char* captions[] = {R"(1: "Start of Configuration")", R"(2: "Set Factory Defaults")",
                              R"(3: "Start of Configuration")", R"(4: "Interleaved 2 of 5")",
                              R"(5: "End Of Configuration")"};
    const double tops[] = {8.9, 34.4, 59.9, 85.3, 110.5};
    ASSERT_EQ(page.Images.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        const auto* caption = page.FindText(QString::fromLatin1(captions[i]));
        ASSERT_NE(caption, nullptr) << captions[i];
        EXPECT_NEAR(caption->RectMm.left(), 30.0 + 6.9, 1e-9);
        EXPECT_NEAR(page.Images[size_t(i)].RectMm.top(), 25.0 + 41.3 + tops[i], 1e-9);
        EXPECT_NEAR(page.Images[size_t(i)].RectMm.left(), 30.0 + 82.7, 1e-9);
        EXPECT_EQ(page.Images[size_t(i)].Bitmap.size(), QSize(223, 38));
    }
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(
            page.Images[size_t(i)].Bitmap,
            reference(TBarCodeType::Code39, QString::fromLatin1(ReaderConfigurationCodes[i]), QSize(223, 38)))
            << i;
    EXPECT_EQ(page.Images[0].Bitmap, page.Images[2].Bitmap);
    EXPECT_NE(page.Images[0].Bitmap, page.Images[1].Bitmap);
    if (const QByteArray dir = qgetenv("GT_REPORT_PNG_DIR"); !dir.isEmpty())
        sheet.QuickRep1.RenderPage(page, 150).save(QString::fromLocal8Bit(dir) +
                                                   QStringLiteral("/config.png"));
    EXPECT_STREQ(ReaderConfigurationCodes[0], ".$/%");
    EXPECT_STREQ(ReaderConfigurationCodes[2], ".$/%");
    EXPECT_STREQ(ReaderConfigurationCodes[1], "SADF");
    EXPECT_STREQ(ReaderConfigurationCodes[3], "SE2");
    EXPECT_STREQ(ReaderConfigurationCodes[4], "EOCF");
}

class BarcdWahlDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        Steuerbarcodes = &steuer;
        ConfigBarcodes = &config;
        before = platform::setReportOutputHandler(
            [this](TReportOutput what, const std::vector<TReportPage>& pages) {
                outputs.push_back(what);
                pageCounts.push_back(pages.size());
                firstPages.push_back(pages.front());
            });
        // As its opener leaves it before showing it.
        dialog.RadioGroup1->SetItemIndex(-1);
        dialog.OKBtn->setEnabled(false);
        dialog.show();
    }
    void TearDown() override {
        platform::setReportOutputHandler(before);
        Steuerbarcodes = nullptr;
        ConfigBarcodes = nullptr;
    }

    TSteuerbarcodes steuer;
    TConfigBarcodes config;
    TBarcdWahlDlg dialog;
    platform::ReportOutputHandler before;
    std::vector<TReportOutput> outputs;
    std::vector<size_t> pageCounts;
    std::vector<TReportPage> firstPages;
};

TEST_F(BarcdWahlDlgTest, LooksAsDesigned) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Barcodes drucken"));
    EXPECT_EQ(dialog.RadioGroup1->title(), QStringLiteral("Barcodeblatt wählen"));
    EXPECT_EQ(dialog.RadioGroup1->Items(),
              (QStringList{QStringLiteral("Steuerbarcodes zur Gerätetester-Einstellung"),
                           QStringLiteral("Konfiguration des Barcodelesers")}));
    EXPECT_TRUE(dialog.OKBtn->isDefault());
    EXPECT_EQ(dialog.CancelBtn->text(), QStringLiteral("Abbrechen"));
}

TEST_F(BarcdWahlDlgTest, OkStaysDisabledUntilASheetIsChosen) {
    EXPECT_FALSE(dialog.OKBtn->isEnabled());
    dialog.OKBtn->click();
    EXPECT_TRUE(outputs.empty());
    EXPECT_TRUE(dialog.isVisible());
    dialog.RadioGroup1->Button(1)->click();
    EXPECT_TRUE(dialog.OKBtn->isEnabled());
}

TEST_F(BarcdWahlDlgTest, OkPreviewsTheControlSheetThenCloses) {
    dialog.RadioGroup1->Button(0)->click();
    dialog.OKBtn->click();
    ASSERT_EQ(outputs, std::vector<TReportOutput>{TReportOutput::Preview});
    EXPECT_EQ(pageCounts.front(), 3u);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(BarcdWahlDlgTest, OkPreviewsTheReaderSheet) {
    dialog.RadioGroup1->Button(1)->click();
    dialog.OKBtn->click();
    ASSERT_EQ(outputs, std::vector<TReportOutput>{TReportOutput::Preview});
    EXPECT_EQ(pageCounts.front(), 1u);
    EXPECT_NE(firstPages.front().FindText(QStringLiteral("Barcodeleser-Konfiguration")), nullptr);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(BarcdWahlDlgTest, EveryShowingStartsWithoutAChoice) {
    dialog.RadioGroup1->Button(1)->click();
    dialog.CancelBtn->click();
    dialog.show();
    EXPECT_EQ(dialog.RadioGroup1->ItemIndex(), -1);
    EXPECT_FALSE(dialog.OKBtn->isEnabled());
}

TEST_F(BarcdWahlDlgTest, CancelClosesWithoutASheet) {
    dialog.RadioGroup1->Button(0)->click();
    dialog.CancelBtn->click();
    EXPECT_TRUE(outputs.empty());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

} // namespace
