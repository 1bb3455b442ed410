#include "controls/Digit.h"
#include "controls/DigitGlyphs.h"

#include <gtest/gtest.h>

#include <QImage>

#include <array>
#include <memory>

namespace {

const QColor kDisplay(0xC0, 0xC0, 0x40);

// A row of five digits, head at the right as the main window has them.
struct Row {
    QWidget host;
    std::array<TDigit*, 5> d{};
    Row() {
        host.resize(5 * 17, 27);
        for (int i = 0; i < 5; ++i) {
            d[i] = new TDigit(&host);
            d[i]->move(17 * i, 0);
        }
        for (int i = 4; i > 0; --i)
            EXPECT_TRUE(d[i]->SetnextDigit(d[i - 1]));
    }
    TDigit& head() { return *d[4]; }
    std::array<int, 5> glyphs() const {
        std::array<int, 5> g{};
        for (int i = 0; i < 5; ++i)
            g[i] = d[i]->GlyphIndex();
        return g;
    }
};

QImage render(QWidget& w) {
    QImage image(w.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    w.render(&image);
    return image;
}

bool dark(QRgb c) {
    return qRed(c) < 0x40 && qGreen(c) < 0x40 && qBlue(c) < 0x40;
}

constexpr int kBlank = TDigit::BlankGlyph;
constexpr int kMinus = 22;
constexpr int kComma = 20;

} // namespace

TEST(Digit, ChainShowsTheTextFromTheRight) {
    Row row;
    row.head().SetData(" --- ");
    EXPECT_EQ(row.glyphs(), (std::array{kBlank, kMinus, kMinus, kMinus, kBlank}));
    row.head().SetData("12,5");
    EXPECT_EQ(row.glyphs(), (std::array{kBlank, 1, 2, kComma, 5}));
    EXPECT_EQ(row.d[0]->Data(), "");
    row.head().SetData("12.5");
    EXPECT_EQ(row.glyphs(), (std::array{kBlank, 1, 2, kComma, 5}));
    // A longer text loses its left end.
    row.head().SetData("1234567");
    EXPECT_EQ(row.glyphs(), (std::array{3, 4, 5, 6, 7}));
    row.head().SetData("");
    EXPECT_EQ(row.glyphs(), (std::array{kBlank, kBlank, kBlank, kBlank, kBlank}));
}

TEST(Digit, SameTextIsStillPassedAlong) {
    Row row;
    row.head().SetData("42");
    row.d[3]->SetData("x");
    row.head().SetData("42");
    EXPECT_EQ(row.d[3]->Data(), "4");
}

TEST(Digit, SelfAndCyclicLinksAreRefused) {
    TDigit a, b, c;
    EXPECT_FALSE(a.SetnextDigit(&a));
    EXPECT_EQ(a.nextDigit(), nullptr);
    ASSERT_TRUE(a.SetnextDigit(&b));
    EXPECT_FALSE(b.SetnextDigit(&a));
    ASSERT_TRUE(b.SetnextDigit(&c));
    EXPECT_FALSE(c.SetnextDigit(&a));
    EXPECT_EQ(c.nextDigit(), nullptr);
    a.SetData("123"); // ends: no loop
    EXPECT_EQ(c.Data(), "1");
    EXPECT_TRUE(a.SetnextDigit(nullptr));
    EXPECT_TRUE(c.SetnextDigit(&a)); // no longer a loop
}

TEST(Digit, DestroyedNextDigitIsForgotten) {
    TDigit head;
    auto next = std::make_unique<TDigit>();
    head.SetnextDigit(next.get());
    next.reset();
    EXPECT_EQ(head.nextDigit(), nullptr);
    head.SetData("12");
    EXPECT_EQ(head.GlyphIndex(), 2);
}

TEST(Digit, GlyphsOfCharacters) {
    const QString chars = "0123456789ABCDEFHLRU,.:-+><";
    const int expected[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                            14, 15, 16, 17, 18, 19, 20, 20, 21, 22, 23, 24, 25};
    for (int i = 0; i < chars.size(); ++i) {
        EXPECT_EQ(TDigit::GlyphIndexOfChar(chars[i]), expected[i]) << chars[i].toLatin1();
        EXPECT_EQ(TDigit::GlyphIndexOfChar(chars[i].toLower()), expected[i]);
    }
    for (QChar c : QString::fromUtf8("GgZ !ü€\t"))
        EXPECT_EQ(TDigit::GlyphIndexOfChar(c), kBlank);
    for (int i = 0; i <= kBlank; ++i)
        EXPECT_NE(DigitGlyphs::Find(TDigit::GlyphResourceName(i)), nullptr) << i;
    EXPECT_EQ(TDigit::GlyphResourceName(21), "DDP");
    EXPECT_EQ(TDigit::GlyphResourceName(kBlank), "D");
    EXPECT_EQ(DigitGlyphs::Find("DX"), nullptr);
}

TEST(Digit, RowLooks) {
    Row row;
    row.head().SetData("12,5");
    const QImage image = render(row.host);
    auto at = [&](int digit, int x, int y) { return image.pixel(17 * digit + x, y); };
    // Blank first digit: display colour only.
    for (QPoint p : {QPoint(8, 3), QPoint(3, 8), QPoint(12, 18), QPoint(8, 13)})
        EXPECT_EQ(at(0, p.x(), p.y()), kDisplay.rgb());
    // "1": the two right segments lit, top and middle not.
    EXPECT_TRUE(dark(at(1, 12, 8)));
    EXPECT_TRUE(dark(at(1, 12, 18)));
    EXPECT_EQ(at(1, 8, 3), kDisplay.rgb());
    EXPECT_EQ(at(1, 8, 13), kDisplay.rgb());
    // "2": top, upper right, middle, lower left, bottom.
    for (QPoint p : {QPoint(8, 3), QPoint(12, 8), QPoint(8, 13), QPoint(3, 18), QPoint(8, 23)})
        EXPECT_TRUE(dark(at(2, p.x(), p.y()))) << p.x() << "," << p.y();
    EXPECT_EQ(at(2, 3, 8), kDisplay.rgb());
    EXPECT_EQ(at(2, 12, 18), kDisplay.rgb());
    // Comma: the dot low in the middle, nothing above.
    EXPECT_TRUE(dark(at(3, 8, 21)));
    EXPECT_EQ(at(3, 8, 13), kDisplay.rgb());
    // "5": upper left and lower right lit, upper right not.
    EXPECT_TRUE(dark(at(4, 3, 8)));
    EXPECT_TRUE(dark(at(4, 12, 18)));
    EXPECT_EQ(at(4, 12, 8), kDisplay.rgb());
}

TEST(Digit, GlyphPlaceComesFromTheControlNotFromTheRepaintedArea) {
    TDigit d;
    d.resize(40, 27);
    d.SetAlignment(TDigit::TAlignment::taRightJustify);
    d.SetData("1");
    QImage whole = render(d);
    EXPECT_TRUE(dark(whole.pixel(23 + 12, 8))); // right segment of "1" at x = 40 - 17
    // Repainting only the left half must not move the glyph into it.
    QImage part(d.size(), QImage::Format_RGB32);
    part.fill(Qt::white);
    d.render(&part, QPoint(), QRegion(0, 0, 20, 27));
    for (int x = 0; x < 20; ++x)
        for (int y = 0; y < 27; ++y)
            ASSERT_EQ(part.pixel(x, y), kDisplay.rgb()) << x << "," << y;

    d.SetAlignment(TDigit::TAlignment::taCenter);
    d.SetOffsetX(1);
    d.SetOffsetY(2);
    whole = render(d);
    EXPECT_TRUE(dark(whole.pixel((40 - 17) / 2 + 1 + 12, 8 + 2)));
    EXPECT_EQ(whole.pixel(23 + 12, 8), kDisplay.rgb());
}

TEST(Digit, MissingGlyphDrawsBlank) {
    const QImage eight = *DigitGlyphs::Find("D8");
    DigitGlyphs::Resources().remove("D8");
    TDigit d;
    const QImage image = render(d);
    DigitGlyphs::Resources().insert("D8", eight);
    for (int x = 0; x < 17; ++x)
        for (int y = 0; y < 27; ++y)
            ASSERT_EQ(image.pixel(x, y), kDisplay.rgb());
}

TEST(Digit, AutoSizeAndAlign) {
    QWidget window; // shown, so that its children are resized at once
    window.resize(200, 100);
    QWidget& host = *new QWidget(&window);
    host.resize(100, 60);
    TDigit& d = *new TDigit(&window);
    window.show();
    d.SetAutoSize(true);
    d.resize(50, 40);
    EXPECT_EQ(d.size(), QSize(17, 27));

    TDigit* client = new TDigit(&host);
    client->SetAlign(TAlign::alRight);
    EXPECT_EQ(client->geometry(), QRect(83, 0, 17, 60));
    host.resize(120, 30);
    EXPECT_EQ(client->geometry(), QRect(103, 0, 17, 30));
}
