#include "printing/BarcodeEncoding.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace barcode;

namespace {

// b/B narrow/wide bar, s/S narrow/wide gap.
std::string pattern(const Elements& elements) {
    std::string out;
    for (const Element& e : elements)
        out += e.bar ? (e.wide ? 'B' : 'b') : (e.wide ? 'S' : 's');
    return out;
}

std::string modules(const std::vector<EanModule>& ms, std::size_t from, std::size_t count) {
    std::string out;
    for (std::size_t k = from; k < from + count; ++k)
        out += ms[k].bar ? '1' : '0';
    return out;
}

std::string eanModules(const QString& text, std::size_t from, std::size_t count) {
    const std::optional<EanSymbol> symbol = Ean(text);
    return symbol ? modules(symbol->modules, from, count) : std::string();
}

std::vector<uint8_t> values(const QString& text, bool fnc1 = false) {
    return Code128Values(text, fnc1).value_or(std::vector<uint8_t>{});
}

uint8_t check128(std::vector<uint8_t> v) {
    unsigned sum = v[0];
    for (std::size_t k = 1; k < v.size(); ++k)
        sum += v[k] * k;
    return static_cast<uint8_t>(sum % 103);
}

} // namespace

TEST(CheckDigit, PublishedExamples) {
    EXPECT_EQ(CheckDigitMod10("400638133393", 1), QChar('1'));
    EXPECT_EQ(CheckDigitMod10("590123412345", 1), QChar('7'));
    EXPECT_EQ(CheckDigitMod10("9638507", 3), QChar('4'));
    // Sum divisible by ten gives 0, not 10.
    EXPECT_EQ(CheckDigitMod10("0000000", 3), QChar('0'));
    EXPECT_EQ(CheckDigitMod10("19", 3), QChar('8'));
}

TEST(CheckDigit, NonDigitsStillGiveADigit) {
    for (const char* text : {"ABCDEFGHIJKL", "!!!!!!!", "12 4-6/8", ""}) {
        const QChar c = CheckDigitMod10(QString::fromLatin1(text), 1);
        EXPECT_TRUE(c >= QChar('0') && c <= QChar('9')) << text;
    }
}

TEST(Code39, TableHasThreeWideOfNineAndDistinctPatterns) {
    const QString chars = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%*");
    std::set<std::string> seen;
    for (QChar c : chars) {
        const std::string p = pattern(Code39(QString(c))).substr(10, 10);
        EXPECT_EQ(std::count_if(p.begin(), p.end(), [](char e) { return e == 'B' || e == 'S'; }), 3) << p;
        EXPECT_EQ(p.back(), 's');
        seen.insert(p);
    }
    EXPECT_EQ(seen.size(), 44u);
}

TEST(Code39, StartTextStopWithGaps) {
    const std::string star = "bSbsBsBsbs";
    EXPECT_EQ(pattern(Code39("1")), star + "BsbSbsbsBs" + star);
    EXPECT_EQ(pattern(Code39("A")), star + "BsbsbSbsBs" + star);
    EXPECT_EQ(pattern(Code39("abc-z")), pattern(Code39("ABC-Z")));
    // A star inside the text is the start/stop pattern; an underscore has no pattern.
    EXPECT_EQ(pattern(Code39("*")), star + star + star);
    EXPECT_EQ(pattern(Code39("_")), star + "bsbsbsbsbs" + star);
    EXPECT_EQ(pattern(Code39(QStringLiteral("\u00e4"))), star + "bsbsbsbsbs" + star);
    EXPECT_TRUE(Code39("").empty());
}

TEST(TwoOfFive, DigitsHaveTwoWideAndWeightsGiveTheDigit) {
    const int weights[5] = {1, 2, 4, 7, 0};
    for (int d = 0; d <= 9; ++d) {
        const std::string p = pattern(Code25(QString::number(d))).substr(6, 10);
        int sum = 0, wide = 0;
        for (int k = 0; k < 5; ++k) {
            EXPECT_EQ(p[2 * k + 1], 's');
            if (p[2 * k] == 'B') {
                sum += weights[k];
                ++wide;
            }
        }
        EXPECT_EQ(wide, 2) << d;
        EXPECT_EQ(sum == 11 ? 0 : sum, d);
    }
}

TEST(Code25, StartDigitsStop) {
    EXPECT_EQ(pattern(Code25("0")), "BsBsbs" + std::string("bsbsBsBsbs") + "BsbsB");
    // Odd length unchanged, non-digits five narrow bars.
    EXPECT_EQ(pattern(Code25("0X1")),
              "BsBsbs" + std::string("bsbsBsBsbs") + "bsbsbsbsbs" + "BsbsbsbsBs" + "BsbsB");
    EXPECT_TRUE(Code25("").empty());
}

TEST(Interleaved2Of5, PairsInBarsAndGaps) {
    // 0 = nnwwn in the bars, 1 = wnnnw in the gaps.
    EXPECT_EQ(pattern(Interleaved2Of5("01")), "bsbs" + std::string("bSbsBsBsbS") + "Bsb");
    // Odd length gets a leading zero.
    EXPECT_EQ(pattern(Interleaved2Of5("123")), pattern(Interleaved2Of5("0123")));
    EXPECT_EQ(Interleaved2Of5("123").size(), 4u + 20u + 3u);
    // A non-digit has no wide flag, in the bars or the gaps.
    EXPECT_EQ(pattern(Interleaved2Of5("X1")), "bsbs" + std::string("bSbsbsbsbS") + "Bsb");
    EXPECT_TRUE(Interleaved2Of5("").empty());
}

TEST(Codabar, StartAndStopA) {
    const std::string a = "bsBSbSb";
    EXPECT_EQ(pattern(Codabar("1")), a + "s" + "bsbsBSb" + "s" + a);
    // Letters have no pattern in the text, whatever their case.
    EXPECT_EQ(pattern(Codabar("a12")), pattern(Codabar("A12")));
    EXPECT_EQ(pattern(Codabar("a")), a + "s" + "bsbsbsb" + "s" + a);
    EXPECT_EQ(pattern(Codabar("$")), a + "s" + "bsBSbsb" + "s" + a);
    EXPECT_TRUE(Codabar("").empty());
}

TEST(PostNet, CheckDigitOnlyUpToTheCount) {
    EXPECT_EQ(PostNetDigits("12345", 5), "123455");
    EXPECT_EQ(PostNetDigits("123456", 5), "123456");
    EXPECT_EQ(PostNetDigits("55555", 5), "555555");
    EXPECT_EQ(PostNetDigits("1234", 5), "12340");
    EXPECT_EQ(PostNetDigits("123456789", 9), "1234567895");
}

TEST(PostNet, FullBarsWideHalfBarsNarrow) {
    const int weights[5] = {7, 4, 2, 1, 0};
    for (int d = 0; d <= 9; ++d) {
        // Digit count 0: no check digit appended.
        const std::string p = pattern(PostNet(QString::number(d), 0));
        ASSERT_EQ(p.size(), 2u + 10u + 1u);
        EXPECT_EQ(p.substr(0, 2), "BS");
        EXPECT_EQ(p.back(), 'B');
        int sum = 0, full = 0;
        for (int k = 0; k < 5; ++k) {
            EXPECT_EQ(p[2 + 2 * k + 1], 'S');
            if (p[2 + 2 * k] == 'B') {
                sum += weights[k];
                ++full;
            }
        }
        EXPECT_EQ(full, 2);
        EXPECT_EQ(sum == 11 ? 0 : sum, d);
    }
    EXPECT_EQ(pattern(PostNet("X", 0)), "BS" + std::string("bSbSbSbSbS") + "B");
    EXPECT_EQ(PostNet("12345", 5).size(), 3u + 6u * 10u);
}

TEST(Fim, MarksByFirstCharacter) {
    EXPECT_EQ(pattern(*Fim("A")), "bsbsssssbsssssbsbs");
    EXPECT_EQ(pattern(*Fim("B")), "bsssbsbsssbsbsssbs");
    EXPECT_EQ(pattern(*Fim("c")), "bsbsssbsssbsssbsbs");
    EXPECT_EQ(pattern(*Fim("bX")), pattern(*Fim("B")));
    EXPECT_FALSE(Fim("D").has_value());
    EXPECT_FALSE(Fim("").has_value());
}

TEST(Itf14, LengthRules) {
    EXPECT_EQ(Itf14Digits("400638133393"), "04006381333931");
    EXPECT_EQ(Itf14Digits("1540014128876"), "01540014128876");
    EXPECT_EQ(Itf14Digits("15400141288763"), "15400141288763");
    EXPECT_EQ(Itf14Digits("154001412887631"), "154001412887631");
    EXPECT_FALSE(Itf14Digits("12345678901").has_value());
    EXPECT_FALSE(Itf14Digits("").has_value());
}

TEST(Ean, ChoiceByLength) {
    const auto ean13 = Ean("400638133393");
    ASSERT_TRUE(ean13);
    EXPECT_EQ(ean13->digits, "4006381333931");
    EXPECT_EQ(ean13->modules.size(), 95u);
    const auto withCheck = Ean("4006381333931");
    ASSERT_TRUE(withCheck);
    EXPECT_EQ(ean13->modules, withCheck->modules);
    EXPECT_EQ(ean13->printed.size(), 12u);

    const auto ean8 = Ean("9638507");
    ASSERT_TRUE(ean8);
    EXPECT_EQ(ean8->digits, "96385074");
    EXPECT_EQ(ean8->modules.size(), 67u);
    EXPECT_EQ(ean8->printed.size(), 8u);

    // A wrong check digit is drawn as it is.
    EXPECT_EQ(Ean("4006381333932")->digits, "4006381333932");
    for (const char* bad : {"", "1", "123456", "123456789", "1234567890", "12345678901", "12345678901234"})
        EXPECT_FALSE(Ean(bad).has_value()) << bad;
}

TEST(Ean, GuardsAndNumberSets) {
    const auto s = *Ean("5901234123457");
    const auto& m = s.modules;
    EXPECT_EQ(modules(m, 0, 3), "101");
    EXPECT_EQ(modules(m, 45, 5), "01010");
    EXPECT_EQ(modules(m, 92, 3), "101");
    for (std::size_t k : {0u, 1u, 2u, 45u, 46u, 47u, 48u, 49u, 92u, 93u, 94u})
        EXPECT_TRUE(m[k].guard) << k;
    EXPECT_FALSE(m[3].guard);
    // First digit 5 selects A B B A A B; set A has an odd number of dark modules, set B an even one.
    const char* sets = "ABBAAB";
    for (int p = 0; p < 6; ++p) {
        const std::string d = modules(m, 3 + 7 * p, 7);
        const auto dark = std::count(d.begin(), d.end(), '1');
        EXPECT_EQ(dark % 2 == 1, sets[p] == 'A') << p;
        EXPECT_EQ(d.front(), '0');
        EXPECT_EQ(d.back(), '1');
    }
    // Right half: set C, the complement of set A; starts dark.
    const std::string setA9 = eanModules("9000000", 3, 7);
    EXPECT_EQ(setA9, "0001011");
    const std::string c9 = eanModules("00000009", 3 + 28 + 5 + 21, 7);
    EXPECT_EQ(c9, "1110100");
    EXPECT_EQ(modules(m, 50, 7), "1100110"); // 1 in set C
    EXPECT_EQ(modules(m, 57, 7), "1101100"); // 2 in set C
    // Digit 0 as set A; printed digits start at their first module.
    EXPECT_EQ(eanModules("0000000000000", 3, 7), "0001101");
    EXPECT_EQ(s.printed.front().firstModule, 3);
    EXPECT_EQ(s.printed.front().digit, QChar('9'));
    EXPECT_EQ(s.printed.back().firstModule, 85);
}

TEST(Ean, AllSetAPatternsDistinctAndTwoBars) {
    std::set<std::string> seen;
    for (int d = 0; d <= 9; ++d) {
        const QString text = QString(7, QChar('0' + d));
        const std::string a = eanModules(text, 3, 7);
        int runs = 1;
        for (std::size_t k = 1; k < a.size(); ++k)
            runs += a[k] != a[k - 1];
        EXPECT_EQ(runs, 4) << a;
        seen.insert(a);
    }
    EXPECT_EQ(seen.size(), 10u);
}

TEST(Ean, NonDigitIsLight) {
    const auto s = *Ean("12X4567");
    EXPECT_EQ(modules(s.modules, 3 + 14, 7), "0000000");
}

TEST(Code128, PatternTable) {
    std::set<std::vector<int>> seen;
    for (int v = 0; v <= 105; ++v) {
        const std::vector<int> p = Code128Pattern(v);
        ASSERT_EQ(p.size(), 6u);
        EXPECT_EQ(p[0] + p[1] + p[2] + p[3] + p[4] + p[5], 11) << v;
        EXPECT_EQ((p[0] + p[2] + p[4]) % 2, 0) << v;
        seen.insert(p);
    }
    EXPECT_EQ(seen.size(), 106u);
    EXPECT_EQ(Code128Pattern(0), (std::vector<int>{2, 1, 2, 2, 2, 2}));
    EXPECT_EQ(Code128Pattern(106), (std::vector<int>(6, 0)));
    const std::vector<int> widths = Code128Widths({105, 2});
    ASSERT_EQ(widths.size(), 12u + 7u);
    EXPECT_EQ(std::vector<int>(widths.end() - 7, widths.end()), (std::vector<int>{2, 3, 3, 1, 1, 1, 2}));
}

TEST(Code128, DigitsInSetC) {
    EXPECT_EQ(values("1234"), (std::vector<uint8_t>{105, 12, 34, 82}));
    EXPECT_EQ(values(""), (std::vector<uint8_t>{105, 2}));
    EXPECT_EQ(values("123"), (std::vector<uint8_t>{104, 17, 18, 19, check128({104, 17, 18, 19})}));
    EXPECT_EQ(values("12345"),
              (std::vector<uint8_t>{105, 12, 34, 100, 21, check128({105, 12, 34, 100, 21})}));
}

TEST(Code128, DigitRunInsideText) {
    const std::vector<uint8_t> v{104, 33, 34, 99, 12, 34, 56, 100, 35, 36};
    std::vector<uint8_t> expected = v;
    expected.push_back(check128(v));
    EXPECT_EQ(values("AB123456CD"), expected);
    // Three digits are not a run.
    const std::vector<uint8_t> w{104, 33, 17, 18, 19, 34};
    expected = w;
    expected.push_back(check128(w));
    EXPECT_EQ(values("A123B"), expected);
    // An odd digit after a run goes to set B.
    const std::vector<uint8_t> x{104, 33, 99, 12, 34, 100, 21};
    expected = x;
    expected.push_back(check128(x));
    EXPECT_EQ(values("A12345"), expected);
}

TEST(Code128, ControlCharactersAndLowerCase) {
    // Control character first: set A; one lower-case letter between controls is shifted.
    std::vector<uint8_t> v{103, 65, 98, 65, 66};
    std::vector<uint8_t> expected = v;
    expected.push_back(check128(v));
    EXPECT_EQ(values(QStringLiteral("\x01"
                                    "a\x02")),
              expected);
    // A run of lower case after the control characters changes to set B.
    v = {103, 65, 100, 65, 66, 67};
    expected = v;
    expected.push_back(check128(v));
    EXPECT_EQ(values(QStringLiteral("\x01"
                                    "abc")),
              expected);
    // Lower case only: set B, no change, no shift.
    v = {104, 65, 66, 67};
    expected = v;
    expected.push_back(check128(v));
    EXPECT_EQ(values("abc"), expected);
    // In set B one control character is shifted when set B text follows.
    v = {104, 65, 98, 64, 66};
    expected = v;
    expected.push_back(check128(v));
    EXPECT_EQ(values(QString::fromLatin1("a\0b", 3)), expected);
    // Capitals and digits need neither shift nor set A.
    const std::vector<uint8_t> plain = values("ABC123XYZ");
    ASSERT_EQ(plain.size(), 11u);
    for (std::size_t k = 0; k + 1 < plain.size(); ++k)
        EXPECT_TRUE(plain[k] != 98 && plain[k] != 101 && plain[k] != 103) << k;
}

TEST(Code128, Fnc1AfterStart) {
    const std::vector<uint8_t> v = values("1234", true);
    EXPECT_EQ(v,
              (std::vector<uint8_t>{105, 102, 12, 34, static_cast<uint8_t>((105 + 102 + 24 + 102) % 103)}));
    EXPECT_EQ(values("", true), (std::vector<uint8_t>{105, 102, static_cast<uint8_t>((105 + 102) % 103)}));
}

TEST(Code128, RefusesWhatItCannotEncode) {
    EXPECT_FALSE(Code128Values(QStringLiteral("M\u00fcller"), false).has_value());
    EXPECT_FALSE(Code128Values(QString(QChar(128)), false).has_value());
    QString alternating;
    for (int k = 0; k < 140; ++k)
        alternating += QStringLiteral("\x01"
                                      "a");
    EXPECT_FALSE(Code128Values(alternating, false).has_value());
    // 280 digits fit: 140 pairs.
    const auto digits = Code128Values(QString(280, QChar('7')), false);
    ASSERT_TRUE(digits);
    EXPECT_EQ(digits->size(), 142u);
}
