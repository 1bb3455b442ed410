#include "printing/Barcd4.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <string>

namespace {

const QColor kHost(0x40, 0x80, 0xC0);

// Draws onto an image in the host colour, so that untouched pixels stay recognisable.
QImage draw(TPrintBarcode& code, QSize size, QPoint at = QPoint(), bool* drawn = nullptr) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kHost);
    QPainter painter(&image);
    const bool ok = code.DrawOnCanvas(painter, at);
    if (drawn != nullptr)
        *drawn = ok;
    return image;
}

char pixel(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    if (c == QColor(Qt::black))
        return 'X';
    if (c == QColor(Qt::white))
        return '.';
    if (c == kHost)
        return '-';
    return '?';
}

std::string row(const QImage& image, int y) {
    std::string out;
    for (int x = 0; x < image.width(); ++x)
        out += pixel(image, x, y);
    return out;
}

std::string column(const QImage& image, int x) {
    std::string out;
    for (int y = 0; y < image.height(); ++y)
        out += pixel(image, x, y);
    return out;
}

// Pixels of an element sequence at the given widths: bars 'X', gaps '.'.
std::string pixels(const barcode::Elements& elements, int narrow, int wide) {
    std::string out;
    for (const barcode::Element& e : elements)
        out += std::string(e.wide ? wide : narrow, e.bar ? 'X' : '.');
    return out;
}

std::string eanPixels(const QString& text) {
    std::string out;
    const std::optional<barcode::EanSymbol> symbol = barcode::Ean(text);
    if (symbol)
        for (const barcode::EanModule& m : symbol->modules)
            out += m.bar ? 'X' : '.';
    return out;
}

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Runs the event loop until done() or ms have passed.
bool settle(const std::function<bool()>& done, int ms = 1000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// The control as it shows itself on screen.
QImage onScreen(TPrintBarcode& code) {
    return code.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class FakeRecord : public TBarcodeDataSource {
public:
    std::map<QString, QString> fields;
    std::optional<QString> FieldText(const QString& name) const override {
        const auto it = fields.find(name);
        if (it == fields.end())
            return std::nullopt;
        return it->second;
    }
    void set(const QString& name, const QString& value) {
        fields[name] = value;
        emit DataChanged();
    }
};

} // namespace

TEST(PrintBarcode, NewControlDrawsCode39Of1234) {
    TPrintBarcode code;
    EXPECT_EQ(code.Text(), "1234");
    EXPECT_EQ(code.BarCodeType(), TBarCodeType::Code39);
    EXPECT_EQ(code.Height(), 32);
    const QImage image = draw(code, QSize(240, 40));
    EXPECT_EQ(code.Width(), 212);
    const std::string expected =
        std::string(20, '.') + pixels(barcode::Code39("1234"), 2, 5) + std::string(20, '.');
    ASSERT_EQ(expected.size(), 214u);
    EXPECT_EQ(row(image, 0).substr(0, 214), expected);
    EXPECT_EQ(row(image, 31).substr(0, 214), expected);
    // Nothing below the control's height, nothing past the drawing.
    EXPECT_EQ(row(image, 32), std::string(240, '-'));
    EXPECT_EQ(row(image, 0).substr(214), std::string(26, '-'));
    // The first bar of the start character after the quiet zone: narrow, then a wide gap.
    EXPECT_EQ(row(image, 10).substr(18, 11), "..XX.....XX");
}

TEST(PrintBarcode, DrawsAtThePointGiven) {
    TPrintBarcode code;
    code.SetBarCodeType(TBarCodeType::Interleaved2Of5);
    code.SetLeadInWidth(0);
    code.SetModuleNarrow(1);
    code.SetText("12");
    const QImage image = draw(code, QSize(60, 50), QPoint(7, 5));
    // Start 4, one pair 6 + 4 x 3, stop 2 + 3.
    EXPECT_EQ(code.Width(), 4 + 18 + 5);
    EXPECT_EQ(column(image, 7).substr(0, 6), "-----X");
    EXPECT_EQ(row(image, 5).substr(0, 7), std::string(7, '-'));
    EXPECT_EQ(row(image, 20).substr(7, 27), pixels(barcode::Interleaved2Of5("12"), 1, 3));
    EXPECT_EQ(pixel(image, 7 + 27, 20), '-');
    EXPECT_EQ(pixel(image, 7, 5 + 32), '-');
}

TEST(PrintBarcode, ModuleSetters) {
    TPrintBarcode code;
    code.SetModuleNarrow(0);
    code.SetModuleNarrow(-3);
    EXPECT_EQ(code.ModuleNarrow(), 2);
    EXPECT_EQ(code.ModuleWide(), 5);
    code.SetModuleNarrow(3);
    EXPECT_EQ(code.ModuleWide(), 8);
    code.SetModuleWide(1);
    EXPECT_EQ(code.ModuleWide(), 1);
    EXPECT_EQ(code.ModuleNarrow(), 1);

    code.SetModuleFactor(2.5);
    EXPECT_EQ(code.ModuleWide(), 2); // 2.5 to even
    code.SetModuleNarrow(3);
    EXPECT_EQ(code.ModuleWide(), 8); // 7.5 to even

    code.SetModuleAuto(false);
    code.SetModuleNarrow(4);
    EXPECT_EQ(code.ModuleWide(), 8);
    code.SetModuleWide(9);
    EXPECT_EQ(code.ModuleNarrow(), 4);
    code.SetModuleAuto(true);
    EXPECT_EQ(code.ModuleWide(), 10);
}

TEST(PrintBarcode, FactorWithoutBoundsNeverGivesAnUnusableWidth) {
    TPrintBarcode code;
    code.SetModuleFactor(0);
    EXPECT_EQ(code.ModuleFactor(), 0);
    EXPECT_EQ(code.ModuleWide(), 1);
    code.SetModuleFactor(-4);
    EXPECT_EQ(code.ModuleWide(), 1);
    code.SetModuleWide(6); // 6 / -4
    EXPECT_EQ(code.ModuleNarrow(), 1);
    code.SetModuleFactor(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(code.ModuleWide(), 6);
    code.SetModuleFactor(std::numeric_limits<double>::infinity());
    EXPECT_GE(code.ModuleWide(), 1);
    bool drawn = true;
    draw(code, QSize(50, 40), QPoint(), &drawn);
    EXPECT_FALSE(drawn);
}

TEST(PrintBarcode, TextIsCutTo280) {
    TPrintBarcode code;
    code.SetText(QString(300, QChar('7')));
    EXPECT_EQ(code.Text().size(), 280);
    code.SetText(QString(279, QChar('7')) + QStringLiteral("\U0001F600"));
    EXPECT_EQ(code.Text().size(), 279);
}

TEST(PrintBarcode, DirectionChangeSwapsSizesWhileAutoSize) {
    TPrintBarcode code;
    code.SetWidth(150);
    code.SetDirection(TBDDirection::bdDown);
    EXPECT_EQ(code.Width(), 32);
    EXPECT_EQ(code.Height(), 32);
    draw(code, QSize(40, 240));
    EXPECT_EQ(code.Height(), 212);
    EXPECT_EQ(code.Width(), 32);
    code.SetDirection(TBDDirection::bdUp);
    EXPECT_EQ(code.Height(), 212);
    code.SetDirection(TBDDirection::bdLeft);
    EXPECT_EQ(code.Height(), 32);

    TPrintBarcode fixed;
    fixed.SetAutoSize(false);
    fixed.SetWidth(150);
    fixed.SetDirection(TBDDirection::bdDown);
    EXPECT_EQ(fixed.Width(), 150);
    EXPECT_EQ(fixed.Height(), 32);
}

TEST(PrintBarcode, MirroredDirectionsAreExactMirrors) {
    struct Case {
        TBarCodeType type;
        const char* text;
    };
    for (const Case c : {Case{TBarCodeType::Code39, "AB-12"}, Case{TBarCodeType::Interleaved2Of5, "123"},
                         Case{TBarCodeType::Code128, "Ab12345\x01"}, Case{TBarCodeType::Codabar, "12$4"},
                         Case{TBarCodeType::Code25, "905"}, Case{TBarCodeType::PostNet, "12345"},
                         Case{TBarCodeType::FIMC, ""}, Case{TBarCodeType::EAN128, "1234"}}) {
        SCOPED_TRACE(c.text);
        TPrintBarcode code;
        code.SetBarCodeType(c.type);
        code.SetText(QString::fromLatin1(c.text));
        const QImage right = draw(code, QSize(400, 32));
        const int painted = static_cast<int>(row(right, 0).find('-'));
        ASSERT_GT(painted, 40);
        code.SetDirection(TBDDirection::bdLeft);
        const QImage left = draw(code, QSize(painted, 32));
        EXPECT_EQ(left, right.copy(0, 0, painted, 32).mirrored(true, false));

        code.SetDirection(TBDDirection::bdDown);
        code.SetWidth(20);
        const QImage down = draw(code, QSize(20, painted));
        EXPECT_EQ(row(down, painted - 1), std::string(20, '.'));
        for (int y = 0; y < painted; ++y)
            ASSERT_EQ(pixel(down, 5, y), pixel(right, y, 5)) << y;
        code.SetDirection(TBDDirection::bdUp);
        const QImage up = draw(code, QSize(20, painted));
        EXPECT_EQ(up, down.mirrored(false, true));
    }
}

TEST(PrintBarcode, FixedSizeFillsTheRestAndBearerBarsSpanTheControl) {
    TPrintBarcode code;
    code.SetAutoSize(false);
    code.SetWidth(300);
    code.SetBearerBars(true);
    const QImage image = draw(code, QSize(320, 40));
    EXPECT_EQ(code.Width(), 300);
    const std::string middle = row(image, 16);
    EXPECT_EQ(middle.substr(20, 174), pixels(barcode::Code39("1234"), 2, 5));
    EXPECT_EQ(middle.substr(194, 106), std::string(106, '.'));
    EXPECT_EQ(middle.substr(300), std::string(20, '-'));
    for (int y : {0, 1, 2, 29, 30, 31})
        EXPECT_EQ(row(image, y).substr(0, 300), std::string(300, 'X')) << y;
    EXPECT_EQ(pixel(image, 5, 3), '.');

    code.SetDirection(TBDDirection::bdDown);
    code.SetWidth(30);
    code.SetHeight(260);
    const QImage vertical = draw(code, QSize(40, 280));
    for (int x : {0, 2, 27, 29})
        EXPECT_EQ(column(vertical, x).substr(0, 260), std::string(260, 'X')) << x;
    EXPECT_EQ(column(vertical, 15).substr(212, 48), std::string(48, '.'));
    EXPECT_EQ(pixel(vertical, 15, 260), '-');
}

TEST(PrintBarcode, PostNetHasNoBearerBarsButFimHas) {
    TPrintBarcode code;
    code.SetBearerBars(true);
    code.SetBarCodeType(TBarCodeType::PostnetZip);
    code.SetText("12345");
    QImage image = draw(code, QSize(500, 32));
    EXPECT_EQ(code.Width(), 40 + 3 * 5 + 6 * (25 + 10 + 6));
    EXPECT_EQ(pixel(image, 10, 0), '.');

    code.SetBarCodeType(TBarCodeType::FIMB);
    code.SetText("");
    image = draw(code, QSize(100, 32));
    EXPECT_EQ(code.Width(), 40 + 18 * 2);
    EXPECT_EQ(pixel(image, 10, 0), 'X');
    EXPECT_EQ(row(image, 15).substr(20, 36), pixels(*barcode::Fim("B"), 2, 5));
}

TEST(PrintBarcode, EmptyTextLeavesTheCanvasUntouched) {
    for (TBarCodeType type : {TBarCodeType::Code39, TBarCodeType::Code25, TBarCodeType::Interleaved2Of5,
                              TBarCodeType::Codabar, TBarCodeType::PostNet}) {
        TPrintBarcode code;
        code.SetBarCodeType(type);
        code.SetText("");
        code.SetBearerBars(true);
        bool drawn = false;
        const QImage image = draw(code, QSize(50, 40), QPoint(), &drawn);
        EXPECT_TRUE(drawn);
        EXPECT_EQ(code.Width(), 105);
        EXPECT_EQ(image.pixelColor(0, 0), kHost);
        EXPECT_EQ(image.pixelColor(49, 39), kHost);
    }
}

TEST(PrintBarcode, Code128OfAnEmptyTextAndItsLength) {
    TPrintBarcode code;
    code.SetBarCodeType(TBarCodeType::Code128);
    code.SetText("");
    const QImage image = draw(code, QSize(200, 32));
    // Start, check value, stop: 11 + 11 + 13 modules.
    EXPECT_EQ(code.Width(), 40 + 35 * 2 - 2);
    EXPECT_EQ(row(image, 3).substr(20, 4), "XXXX");

    code.SetText("1234");
    code.SetModuleNarrow(1);
    code.SetLeadInWidth(0);
    const QImage small = draw(code, QSize(100, 32));
    EXPECT_EQ(code.Width(), 4 * 11 + 13 - 1);
    // START C is 2 1 1 2 3 2.
    EXPECT_EQ(row(small, 3).substr(0, 11), "XX.X..XXX..");
}

TEST(PrintBarcode, Code128RefusesCharactersOutsideItsSets) {
    TPrintBarcode code;
    code.SetBarCodeType(TBarCodeType::Code128);
    code.SetText(QStringLiteral("Gr\u00f6\u00dfe"));
    bool drawn = true;
    const QImage image = draw(code, QSize(100, 40), QPoint(), &drawn);
    EXPECT_FALSE(drawn);
    EXPECT_EQ(row(image, 5), std::string(100, '-'));
    EXPECT_EQ(code.Width(), 105);
}

TEST(PrintBarcode, UnknownCharactersAreNarrowNotGarbage) {
    TPrintBarcode code;
    code.SetText(QStringLiteral("a_\u00e4"));
    const QImage image = draw(code, QSize(300, 32));
    EXPECT_EQ(code.Width(), 40 + 3 * 29 + 2 * 20 - 2);
    EXPECT_EQ(row(image, 3).find('?'), std::string::npos);
}

TEST(PrintBarcode, EanWithoutDigitsRunsBarsOverTheWholeHeight) {
    TPrintBarcode code;
    code.SetBarCodeType(TBarCodeType::EAN8);
    code.SetHumanReadable(false);
    code.SetModuleNarrow(1);
    code.SetText("400638133393");
    code.SetHeight(40);
    const QImage image = draw(code, QSize(200, 40));
    EXPECT_EQ(code.Width(), 40 + 95);
    EXPECT_EQ(row(image, 0), row(image, 39));
    std::string expected = std::string(20, '.');
    expected += eanPixels("4006381333931");
    expected += std::string(20, '.');
    EXPECT_EQ(row(image, 20).substr(0, 135), expected);

    // EAN13 of seven digits is an EAN-8; mirrored directions do not mirror EAN.
    code.SetBarCodeType(TBarCodeType::EAN13);
    code.SetText("9638507");
    code.SetDirection(TBDDirection::bdLeft);
    const QImage ean8 = draw(code, QSize(200, 40));
    EXPECT_EQ(code.Width(), 40 + 67);
    expected = std::string(20, '.');
    expected += eanPixels("96385074");
    EXPECT_EQ(row(ean8, 20).substr(0, 87), expected);
}

TEST(PrintBarcode, EanDigitsUnderShortenedBars) {
    TPrintBarcode code;
    code.SetBarCodeType(TBarCodeType::EAN13);
    code.SetModuleNarrow(2);
    code.SetHeight(60);
    code.SetText("400638133393");
    QImage image(QSize(260, 60), QImage::Format_RGB32);
    image.fill(kHost);
    QPainter painter(&image);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(10);
    painter.setFont(font);
    const QPen pen(QColor(Qt::red), 3);
    painter.setPen(pen);
    painter.setBrush(QColor(Qt::green));
    ASSERT_TRUE(code.DrawOnCanvas(painter, QPoint()));
    // The canvas is handed back as it was.
    EXPECT_EQ(painter.pen(), pen);
    EXPECT_EQ(painter.brush().color(), QColor(Qt::green));
    EXPECT_EQ(painter.font(), font);
    painter.end();

    EXPECT_EQ(code.Width(), 40 + 190);
    // Start guard at 20: its bar runs to 6 above the bottom.
    EXPECT_EQ(column(image, 20), std::string(54, 'X') + std::string(6, '.'));
    // Digit 0 at position 2 (set A 0001101): its first bar at module 3, i.e. pixel 20 + 2 * 6. The
    // digits' bars end 12 above the bottom, where the digit's cell (13 pixels of a 10-point font
    // at 96 dpi) already begins; below is background or the digit's ink.
    const std::string digitBar = column(image, 20 + 2 * 6);
    EXPECT_EQ(digitBar.substr(0, 47), std::string(47, 'X'));
    EXPECT_EQ(digitBar.substr(48).find('-'), std::string::npos);
    EXPECT_NE(digitBar.substr(48, 12), std::string(12, 'X'));
    // Something other than white and black is ink of the printed digits only, under the bars.
    bool ink = false;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 230; ++x)
            ASSERT_NE(pixel(image, x, y), '?') << x << "," << y;
    for (int y = 48; y < 60; ++y)
        for (int x = 20 + 6; x < 20 + 6 + 42; ++x)
            ink = ink || pixel(image, x, y) != '.';
    EXPECT_TRUE(ink);
    // Nothing is printed under the quiet zones: the first digit of EAN-13 is not printed.
    for (int y = 0; y < 60; ++y)
        EXPECT_EQ(pixel(image, 10, y), '.');
}

TEST(PrintBarcode, EanAndItf14WrongLengthDrawTheEmptyBox) {
    for (TBarCodeType type :
         {TBarCodeType::EAN, TBarCodeType::EAN8, TBarCodeType::EAN13, TBarCodeType::ITF14}) {
        for (const char* text : {"1234567890", ""}) {
            TPrintBarcode code;
            code.SetBarCodeType(type);
            code.SetText(QString::fromLatin1(text));
            code.SetWidth(40);
            code.SetHeight(20);
            code.SetBearerBars(true);
            const QImage image = draw(code, QSize(50, 30), QPoint(2, 3));
            EXPECT_EQ(code.Width(), 40);
            EXPECT_EQ(row(image, 3).substr(2, 40), std::string(40, 'X'));
            EXPECT_EQ(row(image, 22).substr(2, 40), std::string(40, 'X'));
            EXPECT_EQ(row(image, 12).substr(0, 43), "--X" + std::string(38, '.') + "X-");
            EXPECT_EQ(row(image, 23), std::string(50, '-'));
        }
    }
}

TEST(PrintBarcode, Itf14IsInterleavedOfFourteenDigits) {
    TPrintBarcode code;
    code.SetBarCodeType(TBarCodeType::ITF14);
    code.SetModuleNarrow(1);
    code.SetText("400638133393");
    const QImage image = draw(code, QSize(300, 32));
    const std::string expected = pixels(barcode::Interleaved2Of5("04006381333931"), 1, 3);
    EXPECT_EQ(code.Width(), 40 + static_cast<int>(expected.size()));
    EXPECT_EQ(row(image, 10).substr(20, expected.size()), expected);
}

TEST(PrintBarcode, BoundTextIsPaddedForFixedLengthSymbols) {
    FakeRecord record;
    record.fields["Barcode"] = "1234567";
    TPrintBarcode code;
    code.SetBarCodeType(TBarCodeType::EAN13);
    code.SetDataField("Barcode");
    code.SetDataSource(&record);
    EXPECT_EQ(code.Text(), "000001234567");
    code.SetBarCodeType(TBarCodeType::EAN8);
    record.set("Barcode", "123");
    EXPECT_EQ(code.Text(), "0000123");
    code.SetBarCodeType(TBarCodeType::EAN);
    record.set("Barcode", "123");
    EXPECT_EQ(code.Text(), "123");
    code.SetBarCodeType(TBarCodeType::ITF14);
    record.set("Barcode", "99");
    EXPECT_EQ(code.Text(), "000000000099");
    record.set("Barcode", QString(300, QChar('1')));
    EXPECT_EQ(code.Text().size(), 280);
}

TEST(PrintBarcode, ForgetsADestroyedSource) {
    TPrintBarcode code;
    {
        FakeRecord record;
        record.fields["Barcode"] = "42";
        code.SetDataField("Barcode");
        code.SetDataSource(&record);
        EXPECT_EQ(code.Text(), "42");
    }
    EXPECT_EQ(code.DataSource(), nullptr);
    code.DataChange();
    EXPECT_EQ(code.Text(), "42");
}

TEST(PrintBarcode, HugeModulesAreRefused) {
    TPrintBarcode code;
    code.SetModuleAuto(false);
    code.SetModuleNarrow(std::numeric_limits<int>::max());
    bool drawn = true;
    const QImage image = draw(code, QSize(30, 30), QPoint(), &drawn);
    EXPECT_FALSE(drawn);
    EXPECT_EQ(row(image, 5), std::string(30, '-'));
}

TEST(PrintBarcode, NegativeLeadInCountsAsNone) {
    TPrintBarcode code;
    code.SetLeadInWidth(-50);
    const QImage image = draw(code, QSize(300, 32), QPoint(10, 0));
    EXPECT_EQ(code.Width(), 174 - 2);
    EXPECT_EQ(row(image, 4).substr(0, 12), "----------XX");
}

TEST(PrintBarcode, ShownControlPaintsItsSymbolAndRepaintsWhenAPropertyChanges) {
    QWidget window;
    window.resize(300, 80);
    TPrintBarcode code(&window);
    PaintCounter counter;
    code.installEventFilter(&counter);
    window.show();
    ASSERT_TRUE(settle([&] { return counter.paints > 0; }));
    // The first paint sized the control to its symbol, as drawing elsewhere does.
    ASSERT_TRUE(settle([&] { return code.width() == 212; }));
    EXPECT_EQ(code.size(), QSize(212, 32));
    const std::string quiet(20, '.');
    EXPECT_EQ(row(onScreen(code), 16),
              (quiet + pixels(barcode::Code39("1234"), 2, 5) + quiet).substr(0, 212));

    const int before = counter.paints;
    code.SetText(QStringLiteral("56"));
    ASSERT_TRUE(settle([&] { return counter.paints > before; }));
    ASSERT_TRUE(settle([&] { return code.width() == 20 + 4 * 29 + 20 - 2; }));
    EXPECT_EQ(row(onScreen(code), 5), (quiet + pixels(barcode::Code39("56"), 2, 5) + quiet).substr(0, 154));

    // Every setter that changes what is drawn paints again.
    struct Change {
        const char* name;
        std::function<void()> apply;
    };
    const std::vector<Change> changes{
        {"BarCodeType", [&] { code.SetBarCodeType(TBarCodeType::Code25); }},
        {"BarColor", [&] { code.SetBarColor(QColor(200, 0, 0)); }},
        {"Color", [&] { code.SetColor(QColor(250, 250, 200)); }},
        {"ModuleNarrow", [&] { code.SetModuleNarrow(3); }},
        {"ModuleWide", [&] { code.SetModuleWide(10); }},
        {"ModuleAuto", [&] { code.SetModuleAuto(false); }},
        {"ModuleFactor", [&] { code.SetModuleFactor(3.0); }},
        {"LeadInWidth", [&] { code.SetLeadInWidth(5); }},
        {"BearerBars", [&] { code.SetBearerBars(true); }},
        {"BearerBarsWidth", [&] { code.SetBearerBarsWidth(6); }},
        {"AutoSize", [&] { code.SetAutoSize(false); }},
        {"Height", [&] { code.SetHeight(40); }},
        {"Width", [&] { code.SetWidth(250); }},
        {"Direction", [&] { code.SetDirection(TBDDirection::bdLeft); }},
        {"HumanReadable", [&] { code.SetHumanReadable(false); }},
    };
    for (const Change& c : changes) {
        const int paints = counter.paints;
        c.apply();
        EXPECT_TRUE(settle([&] { return counter.paints > paints; })) << c.name;
    }
    const QImage image = onScreen(code);
    EXPECT_EQ(code.size(), QSize(250, 40));
    EXPECT_EQ(image.pixelColor(100, 2), QColor(200, 0, 0));      // bearer bar in the bar colour
    EXPECT_EQ(image.pixelColor(249, 20), QColor(250, 250, 200)); // the rest in the background
}

TEST(PrintBarcode, SettingAnUnchangedValueDoesNotPaint) {
    QWidget window;
    window.resize(300, 80);
    TPrintBarcode code(&window);
    PaintCounter counter;
    code.installEventFilter(&counter);
    window.show();
    ASSERT_TRUE(settle([&] { return code.width() == 212; }));
    settle([] { return false; }, 200);
    const int paints = counter.paints;
    code.SetBarCodeType(TBarCodeType::Code39);
    code.SetModuleNarrow(2);
    code.SetBearerBarsWidth(7); // no bearer bars shown
    settle([] { return false; }, 200);
    EXPECT_EQ(counter.paints, paints);
    code.SetText(code.Text()); // the text repaints every time
    EXPECT_TRUE(settle([&] { return counter.paints > paints; }));
}
