// The test protocol: what its before-print handler puts on the page for a record.
#include "printing/Pruefprot.h"

#include "printing/Barcd4.h"
#include "tests/support/FakeTesterLink.h"

#include <QDir>
#include <QFontMetricsF>
#include <QPainter>

#include <array>
#include <cmath>

#include <gtest/gtest.h>

using platform::TReportPage;

namespace {

namespace B = MeasurementBits;

class PruefprotTest : public ::testing::Test {
protected:
    void SetUp() override {
        Globals::DecimalSeparator = u',';
        link.level = 2;
        form.TesterLink = &link;
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

    FakeTesterLink link;
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
    EXPECT_EQ(form.QRLabel63->Caption, FormatIsolationswid(5500, 2) + QStringLiteral(" MOhm"));
    EXPECT_EQ(form.QRLabel70->Caption,
              QStringLiteral("(min. ") + FormatIsolationswid(1000, 2) + QStringLiteral(" MOhm)"));
    EXPECT_EQ(form.QRLabel64->Caption, QStringLiteral("0,35 mA"));
    EXPECT_EQ(form.QRLabel71->Caption, QStringLiteral("(max. 3,50 mA)"));
    EXPECT_EQ(form.QRLabel65->Caption, QStringLiteral("0,12 mA"));
    EXPECT_EQ(form.QRLabel67->Caption, QStringLiteral("0,13 mA"));
    EXPECT_EQ(form.QRLabel72->Caption, QStringLiteral("(max. 3,50 mA)"));
    EXPECT_EQ(form.QRLabel66->Caption, QStringLiteral("0,04 mA"));
    EXPECT_EQ(form.QRLabel68->Caption, QStringLiteral("0,05 mA"));
    EXPECT_EQ(form.QRLabel73->Caption, QStringLiteral("(max. 0,50 mA)"));
}

TEST_F(PruefprotTest, InsulationOverflowFollowsTheConnectedTestersFirmwareLevel) {
    TWerteSatz w = fullRecord();
    w.Isolationswid = 15000;
    run(w);
    EXPECT_EQ(form.QRLabel63->Caption, QStringLiteral(">10.0 MOhm"));
    link.level = 1;
    run(w);
    EXPECT_EQ(form.QRLabel63->Caption, QStringLiteral("15,00 MOhm"));
    link.level = 3;
    form.TesterLink = nullptr; // as with no tester connected
    run(w);
    EXPECT_EQ(form.QRLabel63->Caption, QStringLiteral("15,00 MOhm"));
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

// The page's rule that starts at the left edge of a field's text, below its top.
const platform::TPageLine* ruleUnder(const TReportPage& page, const platform::TPageText& text) {
    const platform::TPageLine* best = nullptr;
    for (const auto& line : page.Lines) {
        const double y = line.LineMm.y1();
        if (std::abs(line.LineMm.x1() - text.RectMm.left()) < 1e-6 && line.LineMm.y2() == y &&
            y > text.RectMm.top() && (best == nullptr || y < best->LineMm.y1()))
            best = &line;
    }
    return best;
}

TEST_F(PruefprotTest, DeviceFieldRulesStayAboveTheUmlautsOfTheRowBelow) {
    TWerteSatz w = fullRecord();
    w.Bezeichnung = QStringLiteral("Ölradiator Öko");
    w.Typ = QStringLiteral("BM 600 Ü");
    w.Inventarnummer = QStringLiteral("ÄÖÜ-77");
    w.Fabrikationsnummer = QStringLiteral("Ü123");
    w.Seriennummer = QStringLiteral("ÜS456");
    const TReportPage page = run(w);
    // Where capitals with umlauts reach up to, below a row's top, at a printer's resolution.
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(11811); // 300 dpi
    device.setDotsPerMeterY(11811);
    const QFontMetricsF metrics(platform::reportFont(10, true), &device);
    const double pxPerMm = 300 / 25.4;
    const double umlautTop =
        (metrics.ascent() + metrics.tightBoundingRect(QStringLiteral("ÄÖÜ")).top()) / pxPerMm;
    const double baseline = metrics.ascent() / pxPerMm;
    ASSERT_GT(umlautTop, -1.0);
    // Each field with the one below it (its row ends where that one begins).
    const std::pair<QString, QString> rows[] = {{w.Bezeichnung, w.Typ},
                                                {w.Typ, w.Inventarnummer},
                                                {w.Fabrikationsnummer, w.Seriennummer},
                                                {w.Seriennummer, w.Barcode}};
    for (const auto& [field, below] : rows) {
        const auto* upper = page.FindText(field);
        const auto* lower = page.FindText(below);
        ASSERT_TRUE(upper && lower) << field.toStdString();
        const platform::TPageLine* rule = ruleUnder(page, *upper);
        ASSERT_NE(rule, nullptr) << field.toStdString();
        const double y = rule->LineMm.y1();
        EXPECT_GT(y, upper->RectMm.top() + baseline) << field.toStdString();
        EXPECT_LT(y + rule->WidthMm / 2, lower->RectMm.top() + umlautTop) << field.toStdString();
    }
}

TEST_F(PruefprotTest, LongNoteIsCutAfterTheLastWholeLineOfItsBox) {
    TWerteSatz w = fullRecord();
    QStringList note;
    for (int i = 1; i <= 15; ++i)
        note << QStringLiteral("Zeile %1: Gehäuse geöffnet, Zugentlastung und Anschlussleitung geprüft")
                    .arg(i);
    note[3] += QStringLiteral(", dazu eine so lange Bemerkung, dass sie auf der Seite umbrechen muss");
    w.Notiz = note.join(QStringLiteral("\r\n"));
    const TReportPage page = run(w);
    const platform::TPageText* memo = nullptr;
    for (const auto& text : page.Texts)
        if (text.Text.startsWith(QStringLiteral("Zeile 1:")))
            memo = &text;
    ASSERT_NE(memo, nullptr);
    // Whole lines of the note, the last one possibly cut after a word.
    const QStringList kept = memo->Text.split(QLatin1Char('\n'));
    ASSERT_GE(kept.size(), 3);
    EXPECT_LT(kept.size(), note.size());
    for (qsizetype i = 0; i + 1 < kept.size(); ++i)
        EXPECT_EQ(kept[i], note[i]);
    EXPECT_TRUE(note[kept.size() - 1].startsWith(kept.back()));

    // No half line: the page looks the same in the note's box when the box does not clip.
    const QRectF box = memo->RectMm;
    EXPECT_DOUBLE_EQ(box.bottom(), 25.0 + 187.0 + 30.0);
    TReportPage unclipped = page;
    for (auto& text : unclipped.Texts)
        if (text.Text == memo->Text)
            text.RectMm.setHeight(text.RectMm.height() + 20.0);
    for (const double dpi : {96.0, 100.0, 150.0, 300.0}) {
        const double pxPerMm = dpi / 25.4;
        const QRect area(QPointF(box.left() * pxPerMm, box.top() * pxPerMm).toPoint(),
                         QPointF(box.right() * pxPerMm, box.bottom() * pxPerMm).toPoint());
        const QImage clipped = form.QuickRep1.RenderPage(page, dpi).copy(area);
        const QImage whole = form.QuickRep1.RenderPage(unclipped, dpi).copy(area);
        EXPECT_TRUE(clipped == whole) << dpi;
    }
}

// A text's width in millimetres where it is widest among the resolutions a page is shown or
// printed at.
double widestMm(const platform::TPageText& t) {
    double widest = 0;
    for (const double dpi : {96.0, 100.0, 150.0, 300.0, 600.0, 1200.0}) {
        QImage device(1, 1, QImage::Format_RGB32);
        device.setDotsPerMeterX(int(std::lround(dpi / 0.0254)));
        device.setDotsPerMeterY(int(std::lround(dpi / 0.0254)));
        widest = std::max(widest, QFontMetricsF(t.Font, &device).horizontalAdvance(t.Text) * 25.4 / dpi);
    }
    return widest;
}

TEST_F(PruefprotTest, EveryCaptionEndsClearOfTheRuleOrTextRightOfIt) {
    const TReportPage page = run(fullRecord());
    const auto inkLeft = [](const platform::TPageText& t) {
        return t.Flags & Qt::AlignRight ? t.RectMm.right() - widestMm(t) : t.RectMm.left();
    };
    // A caption grows from its left edge; field texts are cut to their field.
    for (const auto& caption : page.Texts) {
        if (!(caption.Flags & Qt::TextDontClip) || !(caption.Flags & Qt::AlignLeft) ||
            (caption.Flags & Qt::TextWordWrap))
            continue;
        const QRectF row = caption.RectMm;
        double room = 1e9;
        for (const auto& line : page.Lines)
            if (const QRectF r = QRectF(line.LineMm.p1(), line.LineMm.p2()).normalized();
                r.left() > row.left() && r.top() <= row.bottom() + 0.01 && r.bottom() >= row.top())
                room = std::min(room, r.left());
        for (const auto& other : page.Texts)
            if (inkLeft(other) > row.left() && other.RectMm.top() < row.bottom() &&
                other.RectMm.bottom() > row.top())
                room = std::min(room, inkLeft(other));
        EXPECT_LE(row.left() + widestMm(caption) + 0.5, room) << caption.Text.toStdString();
    }
    // The rule and the text of the field stay where they were designed.
    EXPECT_DOUBLE_EQ(page.FindText(QStringLiteral("INV-77"))->RectMm.left(), 30.0 + 31.0);
}

double ascentMm(const QFont& font) {
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(47244); // 1200 dpi
    device.setDotsPerMeterY(47244);
    return QFontMetricsF(font, &device).ascent() * 25.4 / 1200;
}

TEST_F(PruefprotTest, LongValuesPrintWholeInASmallerFontOnTheirBaseline) {
    TWerteSatz w = fullRecord();
    w.KdOrt = QString(25, QLatin1Char('W'));
    w.Bezeichnung = QStringLiteral("Warmwasserbereiter Wandmo");
    w.Typ = QString(24, QLatin1Char('W')) + QLatin1Char('M'); // too wide even at the smallest size
    w.Seriennummer = QString(20, QLatin1Char('W'));
    w.Fabrikationsnummer = QString(15, QLatin1Char('W'));
    Globals::TopLine[1] = QStringLiteral("Elektro-Prüfdienst Mustermann & Söhne GmbH, Niederlassung Süd");
    const TReportPage page = run(w);
    // Designed left edge, top and width of each field in the band.
    const std::tuple<QString, double, double, double> fields[] = {
        {QStringLiteral("D-12345 ") + w.KdOrt, 4, 50, 74},
        {w.Bezeichnung, 31, 70, 47},
        {w.Typ, 31, 74, 47},
        {w.Seriennummer, 107, 74, 47},
        {w.Fabrikationsnummer, 107, 70, 47},
        {Globals::TopLine[1], 84, 27.5, 74}};
    for (const auto& [value, left, top, width] : fields) {
        const platform::TPageText* text = page.FindText(value);
        ASSERT_NE(text, nullptr) << value.toStdString();
        EXPECT_DOUBLE_EQ(text->RectMm.left(), 30.0 + left) << value.toStdString();
        EXPECT_DOUBLE_EQ(text->RectMm.width(), width) << value.toStdString();
        EXPECT_LE(widestMm(*text), width) << value.toStdString();
        EXPECT_LT(text->Font.pointSizeF(), 10.0) << value.toStdString();
        EXPECT_GE(text->Font.pointSizeF(), 6.0) << value.toStdString();
        // On the baseline a short value of the row stands on.
        const double designedAscent = ascentMm(platform::reportFont(10, text->Font.bold()));
        EXPECT_NEAR(text->RectMm.top() + ascentMm(text->Font), 25.0 + top + designedAscent, 0.01)
            << value.toStdString();
    }
    EXPECT_EQ(page.FindText(w.Typ)->Font.pointSizeF(), 6.0);
    EXPECT_LT(page.FindText(w.Typ)->Font.stretch(), 100);
    const QFont designed = platform::reportFont(10, true);
    // A value that fits keeps its designed size.
    EXPECT_EQ(page.FindText(QStringLiteral("INV-77"))->Font, designed);
    EXPECT_EQ(page.FindText(QStringLiteral("Hauptstraße 5"))->Font, designed);

    // No letter is cut: the page looks the same where the fields do not clip their texts.
    TReportPage unclipped = page;
    for (auto& t : unclipped.Texts)
        t.Flags |= Qt::TextDontClip;
    for (const double dpi : {96.0, 300.0}) {
        form.QuickRep1.RenderPage(page, dpi); // the first rendering of the large title differs
        EXPECT_TRUE(form.QuickRep1.RenderPage(page, dpi) == form.QuickRep1.RenderPage(unclipped, dpi)) << dpi;
    }
    if (const QByteArray dir = qgetenv("GT_REPORT_PNG_DIR"); !dir.isEmpty())
        form.QuickRep1.RenderPage(page, 300).save(
            QDir(QString::fromLocal8Bit(dir)).filePath("lange-werte.png"));
}

// The five footer lines: left, left below it, centred, right, right below it.
TEST_F(PruefprotTest, FooterLinesPrintWholeInsideTheBandAndApart) {
    const QString company = QStringLiteral("Elektro Müller & Söhne GmbH, Hauptstraße 123, 89073 Ulm");
    const QString court = QStringLiteral("Amtsgericht Ulm HRB 123456, USt-IdNr. DE 123 456 789");
    const QString managers =
        QStringLiteral("Geschäftsführer: Hans-Joachim Müller, Dr. Eva Müller-Schönberger");
    const QString bank = QStringLiteral("Sparkasse Ulm, IBAN DE12 6305 0000 0001 2345 67, BIC SOLADES1ULM");
    const QString contact = QStringLiteral("Tel. 0731 123456-0, Fax 0731 123456-99, info@mueller-soehne.de");
    const QString none;
    const std::array<QString, 5> footers[] = {
        {company, court, managers, bank, contact},
        // Longer than the band alone.
        {none, none, managers + QStringLiteral(", ") + bank + QStringLiteral(", ") + court, none, none},
        {company + QStringLiteral(", ") + court, none, QStringLiteral("Seite 1"), none, contact + contact},
        {company, court, none, bank, none},
        {QStringLiteral("Fuß 1"), QStringLiteral("Fuß 2"), QStringLiteral("Fuß 3"), QStringLiteral("Fuß 4"),
         QStringLiteral("Fuß 5")},
    };
    const QRectF band(30.0, 297.0 - 15.0 - 8.0, 160.0, 8.0);
    for (const auto& lines : footers) {
        for (int i = 0; i < 5; ++i)
            Globals::BottomLine[i + 1] = lines[size_t(i)];
        const TReportPage page = run(fullRecord());
        std::vector<const platform::TPageText*> printed;
        for (const QString& line : lines) {
            if (line.isEmpty())
                continue;
            const platform::TPageText* text = page.FindText(line);
            ASSERT_NE(text, nullptr) << line.toStdString();
            const QRectF r = text->RectMm;
            EXPECT_TRUE(band.contains(r)) << line.toStdString();
            EXPECT_LE(widestMm(*text), r.width() + 1e-9) << line.toStdString();
            EXPECT_GE(text->Font.pointSizeF(), 6.0) << line.toStdString();
            for (const platform::TPageText* other : printed)
                EXPECT_FALSE(r.intersects(other->RectMm))
                    << line.toStdString() << " / " << other->Text.toStdString();
            printed.push_back(text);
        }
        // The third line stays centred on the band.
        if (!lines[2].isEmpty()) {
            EXPECT_NEAR(page.FindText(lines[2])->RectMm.center().x(), band.center().x(), 1e-9);
        }
        // Lines that fit keep the designed size.
        if (lines[0] == QStringLiteral("Fuß 1")) {
            for (const platform::TPageText* text : printed)
                EXPECT_EQ(text->Font, platform::reportFont(8)) << text->Text.toStdString();
        }
        // No letter is cut: the footer looks the same where its texts are not clipped.
        TReportPage unclipped = page;
        for (auto& t : unclipped.Texts)
            t.Flags |= Qt::TextDontClip;
        for (const double dpi : {96.0, 300.0}) {
            form.QuickRep1.RenderPage(page, dpi); // the first rendering of the large title differs
            EXPECT_TRUE(form.QuickRep1.RenderPage(page, dpi) == form.QuickRep1.RenderPage(unclipped, dpi))
                << lines[0].toStdString() << " " << dpi;
        }
    }
    if (const QByteArray dir = qgetenv("GT_REPORT_PNG_DIR"); !dir.isEmpty()) {
        for (int i = 0; i < 5; ++i)
            Globals::BottomLine[i + 1] = footers[0][size_t(i)];
        const TReportPage page = run(fullRecord());
        form.QuickRep1.SavePdf({page}, QDir(QString::fromLocal8Bit(dir)).filePath("fusszeilen.pdf"));
    }
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
