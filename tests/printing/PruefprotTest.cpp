// The test protocol: what its before-print handler puts on the page for a record.
#include "printing/Pruefprot.h"

#include "printing/Barcd4.h"

#include <QDir>
#include <QPainter>

#include <gtest/gtest.h>

using platform::TReportPage;

namespace {

namespace B = MeasurementBits;

class PruefprotTest : public ::testing::Test {
protected:
    void SetUp() override {
        Globals::DecimalSeparator = u',';
        Globals::FirmwareLevel = 2;
        Globals::ServiceInterv = 0;
        for (int i = 1; i <= 5; ++i) {
            Globals::TopLine[i] = QStringLiteral("Kopf %1").arg(i);
            Globals::BottomLine[i] = QStringLiteral("Fuß %1").arg(i);
        }
    }
    void TearDown() override {
        for (int i = 1; i <= 5; ++i) {
            Globals::TopLine[i].clear();
            Globals::BottomLine[i].clear();
        }
        Globals::ServiceInterv = 0;
        Globals::FirmwareLevel = 0;
    }

    static TWerteSatz fullRecord() {
        TWerteSatz w;
        w.Name1 = QStringLiteral("Elektro Meier GmbH");
        w.Name2 = QStringLiteral("Werkstatt");
        w.Name3 = QStringLiteral("z. H. Frau Schulz");
        w.KdStr = QStringLiteral("Hauptstraße 5");
        w.KdLKZ = QStringLiteral("D");
        w.KdPLZ = QStringLiteral("12345");
        w.KdOrt = QStringLiteral("Bonn");
        w.Bezeichnung = QStringLiteral("Bohrmaschine");
        w.Typ = QStringLiteral("BM 600");
        w.Inventarnummer = QStringLiteral("INV-77");
        w.Fabrikationsnummer = QStringLiteral("F123");
        w.Seriennummer = QStringLiteral("S456");
        w.Barcode = QStringLiteral("12345678");
        w.Datum = QDateTime(QDate(2024, 1, 1), QTime(10, 30));
        w.GTSeriennummer = QStringLiteral("0123456789");
        w.Schutzklasse = 1;
        w.Sichtpruef = 1;
        w.Schutzleiterwid = 120;
        w.Isolationswid = 5500;
        w.Ableitstrom = 35;
        w.SchutzlStromL1N = 12;
        w.SchutzlStromNL1 = 13;
        w.BeruehrungsstromL1N = 4;
        w.BeruehrungsstromNL1 = 5;
        w.GrwSchutzleiterwid = 300;
        w.GrwIsolationswid = 1000;
        w.GrwAbleitstrom = 350;
        w.GrwSchutzleiterstrom = 350;
        w.GrwBeruehrungsstrom = 50;
        w.Pruefungsergebnis = true;
        w.Notiz = QStringLiteral("Kabel erneuert\r\nStecker geprüft");
        w.Pruefer = QStringLiteral("Hans Prüfer");
        w.DINVDE = 2;
        w.mitIsol = true;
        w.Enables = 0x7F;
        return w;
    }

    TReportPage run(const TWerteSatz& w) {
        form.WerteSatz = w;
        auto pages = form.QuickRep1.Generate();
        EXPECT_EQ(pages.size(), 1u);
        return pages.empty() ? TReportPage{} : pages.front();
    }

    QStringList address() const {
        QStringList lines;
        for (auto* l :
             {form.QRLabel7, form.QRLabel8, form.QRLabel9, form.QRLabel10, form.QRLabel11, form.QRLabel19})
            lines << l->Caption;
        return lines;
    }

    static bool crossed(platform::TReportImage* box) {
        // The cross runs through the middle of the box; an empty box is white there.
        const QImage& b = box->Bitmap();
        return b.pixelColor(b.width() / 2, b.height() / 2).lightness() < 128;
    }
    static bool framed(platform::TReportImage* box) {
        return box->Bitmap().pixelColor(0, box->Bitmap().height() / 2).lightness() < 128;
    }

    TPruefprot form;
};

TEST_F(PruefprotTest, PageCarriesHeadingFooterAndDeviceTexts) {
    const TReportPage page = run(fullRecord());
    for (const char* text : {"Prüfprotokoll",
                             "Sicherheitsprüfung nach DIN VDE 0701/0702",
                             "Auftraggeber",
                             "Auftragnehmer",
                             "Gerätedaten (Prüfling)",
                             "Prüfungsergebnisse",
                             "Kopf 1",
                             "Kopf 5",
                             "Fuß 1",
                             "Fuß 5",
                             "Bohrmaschine",
                             "BM 600",
                             "INV-77",
                             "F123",
                             "S456",
                             "12345678",
                             "I",
                             "Torvane Quellix 0701/0702",
                             "Ser.-Nr. 0123456789",
                             "(Hans Prüfer)",
                             "01.01.2024",
                             "Kabel erneuert\nStecker geprüft"})
        EXPECT_NE(page.FindText(QString::fromUtf8(text)), nullptr) << text;
    // Heading lines in the contractor's column, footer lines in the footer band at the bottom.
    const auto* top3 = page.FindText(QStringLiteral("Kopf 3"));
    EXPECT_DOUBLE_EQ(top3->RectMm.left(), 30.0 + 84.0);
    EXPECT_DOUBLE_EQ(top3->RectMm.top(), 25.0 + 36.5);
    EXPECT_GT(page.FindText(QStringLiteral("Fuß 2"))->RectMm.top(), 297.0 - 15.0 - 8.0);
    EXPECT_TRUE(page.FindText(QStringLiteral("Fuß 4"))->Flags & Qt::AlignRight);
    // Nothing of the record's telephone or numbers reaches the page.
    EXPECT_EQ(page.AllTexts().filter(QStringLiteral("Tel")).size(), 0);
}

TEST_F(PruefprotTest, LongHeadingLineStaysInsideTheContractorColumn) {
    Globals::TopLine[2] =
        QStringLiteral("Prüfdienst Musterfirma mit einer sehr langen Kopfzeile im Protokoll");
    const TReportPage page = run(fullRecord());
    const auto* line = page.FindText(Globals::TopLine[2]);
    ASSERT_NE(line, nullptr);
    EXPECT_LE(line->RectMm.right(), 30.0 + 160.0);
    EXPECT_FALSE(line->Flags & Qt::TextDontClip);
}

TEST_F(PruefprotTest, AddressLinesCloseUpWithOneBlankLineBeforeTheTown) {
    TWerteSatz w = fullRecord();
    run(w);
    EXPECT_EQ(address(),
              (QStringList{w.Name1, w.Name2, w.Name3, w.KdStr, QString(), QStringLiteral("D-12345 Bonn")}));

    w.Name2.clear();
    w.Name3.clear();
    w.KdLKZ.clear();
    run(w);
    EXPECT_EQ(address(),
              (QStringList{w.Name1, w.KdStr, QString(), QStringLiteral("12345 Bonn"), QString(), QString()}));

    TWerteSatz empty;
    run(empty);
    EXPECT_EQ(address(),
              (QStringList{QString(), QStringLiteral(" "), QString(), QString(), QString(), QString()}));
}

TEST_F(PruefprotTest, CheckBoxesFollowPartOptionsAndVisualInspection) {
    TWerteSatz w = fullRecord();
    run(w); // 0702, insulation alone, inspection passed
    EXPECT_FALSE(crossed(form.QRImage2));
    EXPECT_TRUE(crossed(form.QRImage3));
    EXPECT_TRUE(crossed(form.QRImage4));
    EXPECT_FALSE(crossed(form.QRImage5));
    EXPECT_TRUE(crossed(form.QRImage6));
    EXPECT_FALSE(crossed(form.QRImage7));
    for (auto* box :
         {form.QRImage2, form.QRImage3, form.QRImage4, form.QRImage5, form.QRImage6, form.QRImage7})
        EXPECT_TRUE(framed(box));

    w.DINVDE = 1;
    w.mitIsol = false;
    w.Sichtpruef = 0;
    run(w); // earlier crosses are wiped
    EXPECT_TRUE(crossed(form.QRImage2));
    EXPECT_FALSE(crossed(form.QRImage3));
    EXPECT_FALSE(crossed(form.QRImage4));
    EXPECT_TRUE(crossed(form.QRImage5));
    EXPECT_FALSE(crossed(form.QRImage6));
    EXPECT_TRUE(crossed(form.QRImage7));

    w.mitIsol = true;
    w.mitIsoDiff = true;
    w.Sichtpruef = -1;
    run(w);
    EXPECT_TRUE(crossed(form.QRImage4));
    EXPECT_TRUE(crossed(form.QRImage5));
    EXPECT_FALSE(crossed(form.QRImage6));
    EXPECT_FALSE(crossed(form.QRImage7));
}

TEST_F(PruefprotTest, MeasuredValuesWithUnitsAndLimits) {
    run(fullRecord());
    EXPECT_EQ(form.QRLabel62->Caption, QStringLiteral("120 mOhm"));
    EXPECT_EQ(form.QRLabel69->Caption, QStringLiteral("(max. 300 mOhm)"));
    EXPECT_EQ(form.QRLabel63->Caption, FormatIsolationswid(5500) + QStringLiteral(" MOhm"));
    EXPECT_EQ(form.QRLabel70->Caption,
              QStringLiteral("(min. ") + FormatIsolationswid(1000) + QStringLiteral(" MOhm)"));
    EXPECT_EQ(form.QRLabel64->Caption, QStringLiteral("0,35 mA"));
    EXPECT_EQ(form.QRLabel71->Caption, QStringLiteral("(max. 3,50 mA)"));
    EXPECT_EQ(form.QRLabel65->Caption, QStringLiteral("0,12 mA"));
    EXPECT_EQ(form.QRLabel67->Caption, QStringLiteral("0,13 mA"));
    EXPECT_EQ(form.QRLabel72->Caption, QStringLiteral("(max. 3,50 mA)"));
    EXPECT_EQ(form.QRLabel66->Caption, QStringLiteral("0,04 mA"));
    EXPECT_EQ(form.QRLabel68->Caption, QStringLiteral("0,05 mA"));
    EXPECT_EQ(form.QRLabel73->Caption, QStringLiteral("(max. 0,50 mA)"));
}

TEST_F(PruefprotTest, DisabledColumnsShowDashesAndEnabledUnmeasuredShowFormatterDashes) {
    TWerteSatz w = fullRecord();
    w.Enables = 1 << B::SchutzlStromNL1; // only the reversed current
    w.Schutzleiterwid = -1;
    run(w);
    EXPECT_EQ(form.QRLabel62->Caption, QStringLiteral("---  mOhm"));
    EXPECT_EQ(form.QRLabel69->Caption, QString());
    EXPECT_EQ(form.QRLabel63->Caption, QStringLiteral("---  MOhm"));
    EXPECT_EQ(form.QRLabel64->Caption, QStringLiteral("---  mA"));
    EXPECT_EQ(form.QRLabel66->Caption, QStringLiteral("---  mA"));
    EXPECT_EQ(form.QRLabel68->Caption, QStringLiteral("---  mA"));
    EXPECT_EQ(form.QRLabel73->Caption, QString());
    // Bit 4 alone fills the whole protective-conductor-current column.
    EXPECT_EQ(form.QRLabel65->Caption, QStringLiteral("0,12 mA"));
    EXPECT_EQ(form.QRLabel67->Caption, QStringLiteral("0,13 mA"));
    EXPECT_EQ(form.QRLabel72->Caption, QStringLiteral("(max. 3,50 mA)"));

    w.Enables = 1 << B::Schutzleiterwid;
    run(w);
    EXPECT_EQ(form.QRLabel62->Caption, QStringLiteral(" ---  mOhm"));
    EXPECT_EQ(form.QRLabel65->Caption, QStringLiteral("---  mA"));
    EXPECT_EQ(form.QRLabel72->Caption, QString());
}

TEST_F(PruefprotTest, FailedAbortedTestCrossesNeinAndPrintsAbortNote) {
    TWerteSatz w = fullRecord();
    TReportPage page = run(w);
    EXPECT_EQ(form.QRLabel76->Caption, QStringLiteral("X"));
    EXPECT_EQ(form.QRLabel77->Caption, QString());
    EXPECT_EQ(page.FindText(QStringLiteral("Die Prüfung wurde abgebrochen.")), nullptr);

    w.Pruefungsergebnis = false;
    w.abgebrochen = true;
    page = run(w);
    EXPECT_EQ(form.QRLabel76->Caption, QString());
    EXPECT_EQ(form.QRLabel77->Caption, QStringLiteral("X"));
    const auto* note = page.FindText(QStringLiteral("Die Prüfung wurde abgebrochen."));
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->Flags & Qt::AlignRight);
    // The cross stands at "nein": 30 mm margin + 71 mm.
    const auto* cross = page.FindText(QStringLiteral("X"));
    ASSERT_NE(cross, nullptr);
    EXPECT_DOUBLE_EQ(cross->RectMm.left(), 101.0);
}

TEST_F(PruefprotTest, ProtectionClassTexts) {
    TWerteSatz w = fullRecord();
    const QString expected[] = {QString(), QStringLiteral("I"), QStringLiteral("II"), QStringLiteral("III"),
                                QString()};
    for (int k = 0; k <= 4; ++k) {
        w.Schutzklasse = k;
        run(w);
        EXPECT_EQ(form.QRLabel40->Caption, expected[k]) << k;
    }
}

TEST_F(PruefprotTest, NextTestDateFromServiceInterval) {
    TWerteSatz w = fullRecord();
    TReportPage page = run(w);
    EXPECT_EQ(form.QRLabel78->Caption, QString());
    EXPECT_TRUE(page.AllTexts().filter(QStringLiteral("Nächste")).isEmpty());

    Globals::ServiceInterv = 365;
    run(w);
    EXPECT_EQ(form.QRLabel78->Caption, QStringLiteral("Nächste Prüfung: 31.12.2024"));

    Globals::ServiceInterv = -1;
    run(w);
    EXPECT_EQ(form.QRLabel78->Caption, QStringLiteral("Nächste Prüfung: 31.12.2023"));
}

TEST_F(PruefprotTest, BarcodeIsDrawnAsInterleavedTwoOfFiveFromTheLeftEdge) {
    TWerteSatz w = fullRecord();
    const TReportPage page = run(w);
    QImage expected(193, 23, QImage::Format_RGB32);
    expected.fill(Qt::white);
    TPrintBarcode barcode;
    barcode.SetBarCodeType(TBarCodeType::Interleaved2Of5);
    barcode.SetLeadInWidth(0);
    barcode.SetModuleNarrow(1);
    barcode.SetHeight(23);
    barcode.SetText(QStringLiteral("12345678"));
    {
        QPainter canvas(&expected);
        ASSERT_TRUE(barcode.DrawOnCanvas(canvas, QPoint(0, 0)));
    }
    EXPECT_EQ(barcode.ModuleWide(), 3);
    EXPECT_EQ(form.QRImage1->Bitmap(), expected);
    EXPECT_EQ(form.QRImage1->Bitmap().pixelColor(0, 11), QColor(Qt::black));
    // The page shows it in the 51 x 6 mm area right of the barcode text.
    bool found = false;
    for (const auto& image : page.Images)
        if (image.Bitmap.size() == QSize(193, 23)) {
            found = true;
            EXPECT_NEAR(image.RectMm.left(), 30.0 + 107.0, 1e-9);
            EXPECT_NEAR(image.RectMm.top(), 25.0 + 85.0, 1e-9);
            EXPECT_NEAR(image.RectMm.width(), 51.0, 1e-9);
            EXPECT_EQ(image.Bitmap, expected);
        }
    EXPECT_TRUE(found);
}

TEST_F(PruefprotTest, EmptyBarcodeGivesWhiteAreaAlsoAfterABarcode) {
    TWerteSatz w = fullRecord();
    run(w);
    EXPECT_EQ(form.QRLabel18->Caption, QStringLiteral("12345678"));
    EXPECT_EQ(form.QRImage1->Bitmap().pixelColor(0, 11), QColor(Qt::black));
    w.Barcode.clear();
    const TReportPage page = run(w);
    EXPECT_EQ(form.QRLabel18->Caption, QString());
    EXPECT_EQ(page.FindText(QStringLiteral("12345678")), nullptr);
    const QImage& picture = form.QRImage1->Bitmap();
    EXPECT_EQ(picture.size(), QSize(193, 23));
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            ASSERT_EQ(picture.pixelColor(x, y), QColor(Qt::white)) << x << "," << y;
}

TEST_F(PruefprotTest, EveryRunRewritesTheVariableTexts) {
    TReportPage page = run(fullRecord());
    EXPECT_NE(page.FindText(QStringLiteral("Elektro Meier GmbH")), nullptr);
    for (int i = 1; i <= 5; ++i)
        Globals::TopLine[i].clear();
    page = run(TWerteSatz{});
    for (const char* gone : {"Elektro Meier GmbH", "Bohrmaschine", "Kopf 1", "12345678", "Kabel erneuert",
                             "Ser.-Nr. 0123456789"})
        EXPECT_TRUE(page.AllTexts().filter(QString::fromUtf8(gone)).isEmpty()) << gone;
    EXPECT_NE(page.FindText(QStringLiteral("Ser.-Nr. ")), nullptr);
    EXPECT_NE(page.FindText(QStringLiteral("()")), nullptr);
}

TEST_F(PruefprotTest, RenderedPageIsAFramedA4Protocol) {
    const TReportPage page = run(fullRecord());
    const double dpi = 100;
    const QImage image = form.QuickRep1.RenderPage(page, dpi);
    EXPECT_EQ(image.size(), QSize(827, 1169));
    auto dark = [&](double x, double y) {
        return image.pixelColor(int(x * dpi / 25.4), int(y * dpi / 25.4)).lightness() < 128;
    };
    EXPECT_TRUE(dark(30.0, 150.0));  // left frame of the detail band
    EXPECT_TRUE(dark(190.0, 150.0)); // right frame
    EXPECT_TRUE(dark(100.0, 25.0));  // top frame
    EXPECT_FALSE(dark(15.0, 150.0)); // left margin
    EXPECT_FALSE(dark(200.0, 150.0));
    if (const QByteArray dir = qgetenv("GT_REPORT_PNG_DIR"); !dir.isEmpty())
        form.QuickRep1.RenderPage(page, 150).save(
            QDir(QString::fromLocal8Bit(dir)).filePath("pruefprot.png"));
}

} // namespace
