#include "printing/BarcodeEncoding.h"

#include <array>

namespace barcode {

namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Flags as a string of '0' (narrow or light) and '1' (wide or dark).
struct Pattern {
    char symbol;
    const char* flags;
};

// ISO/IEC 16388: bar, gap, bar, ... bar; three of the nine wide.
constexpr std::array<Pattern, 44> kCode39{{
    {'0', "000110100"}, {'1', "100100001"}, {'2', "001100001"}, {'3', "101100000"}, {'4', "000110001"},
    {'5', "100110000"}, {'6', "001110000"}, {'7', "000100101"}, {'8', "100100100"}, {'9', "001100100"},
    {'A', "100001001"}, {'B', "001001001"}, {'C', "101001000"}, {'D', "000011001"}, {'E', "100011000"},
    {'F', "001011000"}, {'G', "000001101"}, {'H', "100001100"}, {'I', "001001100"}, {'J', "000011100"},
    {'K', "100000011"}, {'L', "001000011"}, {'M', "101000010"}, {'N', "000010011"}, {'O', "100010010"},
    {'P', "001010010"}, {'Q', "000000111"}, {'R', "100000110"}, {'S', "001000110"}, {'T', "000010110"},
    {'U', "110000001"}, {'V', "011000001"}, {'W', "111000000"}, {'X', "010010001"}, {'Y', "110010000"},
    {'Z', "011010000"}, {'-', "010000101"}, {'.', "110000100"}, {' ', "011000100"}, {'$', "010101000"},
    {'/', "010100010"}, {'+', "010001010"}, {'%', "000101010"}, {'*', "010010100"},
}};

// ISO/IEC 16390: weights 1, 2, 4, 7 and parity; two of the five wide.
constexpr std::array<const char*, 10> kTwoOfFive{
    "00110", "10001", "01001", "11000", "00101", "10100", "01100", "00011", "10010", "01010",
};

// EN 798; the start/stop characters are known only in lower case.
constexpr std::array<Pattern, 20> kCodabar{{
    {'0', "0000011"}, {'1', "0000110"}, {'2', "0001001"}, {'3', "1100000"}, {'4', "0010010"},
    {'5', "1000010"}, {'6', "0100001"}, {'7', "0100100"}, {'8', "0110000"}, {'9', "1001000"},
    {'-', "0001100"}, {'$', "0011000"}, {':', "1000101"}, {'/', "1010001"}, {'.', "1010100"},
    {'+', "0010101"}, {'a', "0011010"}, {'b', "0101001"}, {'c', "0001011"}, {'d', "0001110"},
}};

// POSTNET, weights 7, 4, 2, 1, 0: '1' is a full bar.
constexpr std::array<const char*, 10> kPostNet{
    "11000", "00011", "00101", "00110", "01001", "01010", "01100", "10001", "10010", "10100",
};

// EAN number set A; set C is its complement, set B set C reversed.
constexpr std::array<const char*, 10> kEanSetA{
    "0001101", "0011001", "0010011", "0111101", "0100011",
    "0110001", "0101111", "0111011", "0110111", "0001011",
};
// Sets of positions 2 to 7 of EAN-13 by the first digit.
constexpr std::array<const char*, 10> kEan13Parity{
    "AAAAAA", "AABABB", "AABBAB", "AABBBA", "ABAABB", "ABBAAB", "ABBBAA", "ABABAB", "ABABBA", "ABBABA",
};

// ISO/IEC 15417: bar, space, bar, space, bar, space in modules.
constexpr std::array<const char*, 106> kCode128{
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232",
};
constexpr const char* kCode128StopPattern = "2331112";

template <std::size_t N> const char* lookup(const std::array<Pattern, N>& table, QChar c) {
    if (c.unicode() > 127)
        return nullptr;
    const char symbol = static_cast<char>(c.unicode());
    for (const Pattern& p : table)
        if (p.symbol == symbol)
            return p.flags;
    return nullptr;
}

const char* twoOfFive(QChar c) {
    return isDigit(c) ? kTwoOfFive[c.unicode() - '0'] : nullptr;
}

// A table entry as alternating elements, bar first; no entry is all narrow.
void appendAlternating(Elements& out, const char* flags, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k)
        out.push_back({k % 2 == 0, flags != nullptr && flags[k] == '1'});
}

constexpr Element kNarrowBar{true, false};
constexpr Element kWideBar{true, true};
constexpr Element kNarrowGap{false, false};
constexpr Element kWideGap{false, true};

QChar upperAscii(QChar c) {
    if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
        return QChar(c.unicode() - 'a' + 'A');
    return c;
}

} // namespace

QChar CheckDigitMod10(const QString& text, int firstWeight) {
    int weight = firstWeight;
    long long sum = 0;
    for (QChar c : text) {
        sum += static_cast<long long>(c.unicode() - '0') * weight;
        weight = weight == 3 ? 1 : 3;
    }
    const int r = static_cast<int>(((sum % 10) + 10) % 10);
    return QChar('0' + (r == 0 ? 0 : 10 - r));
}

Elements Code39(const QString& text) {
    Elements out;
    if (text.isEmpty())
        return out;
    const QString all = QLatin1Char('*') + text + QLatin1Char('*');
    out.reserve(static_cast<std::size_t>(all.size()) * 10);
    for (QChar c : all) {
        appendAlternating(out, lookup(kCode39, upperAscii(c)), 9);
        out.push_back(kNarrowGap);
    }
    return out;
}

Elements Code25(const QString& text) {
    Elements out;
    if (text.isEmpty())
        return out;
    out = {kWideBar, kNarrowGap, kWideBar, kNarrowGap, kNarrowBar, kNarrowGap};
    for (QChar c : text) {
        const char* flags = twoOfFive(c);
        for (int k = 0; k < 5; ++k) {
            out.push_back({true, flags != nullptr && flags[k] == '1'});
            out.push_back(kNarrowGap);
        }
    }
    out.insert(out.end(), {kWideBar, kNarrowGap, kNarrowBar, kNarrowGap, kWideBar});
    return out;
}

Elements Interleaved2Of5(const QString& text) {
    Elements out;
    if (text.isEmpty())
        return out;
    const QString digits = text.size() % 2 == 0 ? text : QLatin1Char('0') + text;
    out = {kNarrowBar, kNarrowGap, kNarrowBar, kNarrowGap};
    for (qsizetype i = 0; i + 1 < digits.size(); i += 2) {
        const char* inBars = twoOfFive(digits[i]);
        const char* inGaps = twoOfFive(digits[i + 1]);
        for (int k = 0; k < 5; ++k) {
            out.push_back({true, inBars != nullptr && inBars[k] == '1'});
            out.push_back({false, inGaps != nullptr && inGaps[k] == '1'});
        }
    }
    out.insert(out.end(), {kWideBar, kNarrowGap, kNarrowBar});
    return out;
}

Elements Codabar(const QString& text) {
    Elements out;
    if (text.isEmpty())
        return out;
    const char* startStop = lookup(kCodabar, QLatin1Char('a'));
    appendAlternating(out, startStop, 7);
    out.push_back(kNarrowGap);
    for (QChar c : text) {
        appendAlternating(out, lookup(kCodabar, upperAscii(c)), 7);
        out.push_back(kNarrowGap);
    }
    appendAlternating(out, startStop, 7);
    return out;
}

QString PostNetDigits(const QString& text, int digitCount) {
    if (text.size() > digitCount)
        return text;
    int sum = 0;
    for (QChar c : text)
        if (isDigit(c))
            sum += c.unicode() - '0';
    return text + QChar('0' + (10 - sum % 10) % 10);
}

Elements PostNet(const QString& text, int digitCount) {
    Elements out;
    if (text.isEmpty())
        return out;
    out = {kWideBar, kWideGap};
    for (QChar c : PostNetDigits(text, digitCount)) {
        const char* flags = isDigit(c) ? kPostNet[c.unicode() - '0'] : nullptr;
        for (int k = 0; k < 5; ++k) {
            out.push_back({true, flags != nullptr && flags[k] == '1'});
            out.push_back(kWideGap);
        }
    }
    out.push_back(kWideBar);
    return out;
}

std::optional<Elements> Fim(const QString& text) {
    if (text.isEmpty())
        return std::nullopt;
    const char* positions = nullptr;
    switch (upperAscii(text[0]).unicode()) {
    case 'A':
        positions = "110010011";
        break;
    case 'B':
        positions = "101101101";
        break;
    case 'C':
        positions = "110101011";
        break;
    default:
        return std::nullopt;
    }
    Elements out;
    for (int k = 0; k < 9; ++k) {
        out.push_back({positions[k] == '1', false});
        out.push_back(kNarrowGap);
    }
    return out;
}

std::optional<QString> Itf14Digits(const QString& text) {
    if (text.size() < 12)
        return std::nullopt;
    QString digits = text;
    if (digits.size() == 12)
        digits += CheckDigitMod10(digits, 1);
    if (digits.size() == 13)
        digits.prepend(QLatin1Char('0'));
    return digits;
}

std::optional<EanSymbol> Ean(const QString& text) {
    EanSymbol symbol;
    switch (text.size()) {
    case 12:
        symbol.digits = text + CheckDigitMod10(text, 1);
        break;
    case 7:
        symbol.digits = text + CheckDigitMod10(text, 3);
        break;
    case 13:
    case 8:
        symbol.digits = text;
        break;
    default:
        return std::nullopt;
    }
    const bool ean13 = symbol.digits.size() == 13;
    auto guard = [&](const char* modules) {
        for (const char* m = modules; *m != '\0'; ++m)
            symbol.modules.push_back({*m == '1', true});
    };
    auto digit = [&](QChar c, char set) {
        symbol.printed.push_back({static_cast<int>(symbol.modules.size()), c});
        for (int k = 0; k < 7; ++k) {
            bool bar = false;
            if (isDigit(c)) {
                const char* a = kEanSetA[c.unicode() - '0'];
                if (set == 'A')
                    bar = a[k] == '1';
                else if (set == 'B')
                    bar = a[6 - k] == '0';
                else
                    bar = a[k] == '0';
            }
            symbol.modules.push_back({bar, false});
        }
    };
    guard("101");
    if (ean13) {
        const QChar first = symbol.digits[0];
        const char* sets = first >= QLatin1Char('1') && first <= QLatin1Char('9')
                               ? kEan13Parity[first.unicode() - '0']
                               : kEan13Parity[0];
        for (int p = 1; p <= 6; ++p)
            digit(symbol.digits[p], sets[p - 1]);
        guard("01010");
        for (int p = 7; p <= 12; ++p)
            digit(symbol.digits[p], 'C');
    } else {
        for (int p = 0; p < 4; ++p)
            digit(symbol.digits[p], 'A');
        guard("01010");
        for (int p = 4; p < 8; ++p)
            digit(symbol.digits[p], 'C');
    }
    guard("101");
    return symbol;
}

namespace {

// The encoder of Code 128 on 1-based positions, as the code-set rules are stated.
class Code128Encoder {
public:
    explicit Code128Encoder(const QString& text) : text_(text), n_(static_cast<int>(text.size())) {}

    std::vector<uint8_t> encode(bool withFnc1) {
        if (nextRun(1) == 1) {
            values_.push_back(105);
            set_ = 'C';
        } else if (preferB(1)) {
            values_.push_back(104);
            set_ = 'B';
        } else {
            values_.push_back(103);
            set_ = 'A';
        }
        if (withFnc1)
            values_.push_back(102);
        while (i_ <= n_) {
            if (runAt(i_)) {
                if (set_ != 'C') {
                    values_.push_back(99);
                    set_ = 'C';
                }
                while (i_ <= n_ - 1 && digit(i_) && digit(i_ + 1)) {
                    values_.push_back(static_cast<uint8_t>(10 * (at(i_) - '0') + at(i_ + 1) - '0'));
                    i_ += 2;
                }
            }
            next_ = nextRun(i_);
            if (i_ < next_) {
                if (preferB(i_))
                    runB();
                else
                    runA();
            }
        }
        unsigned sum = values_[0];
        for (std::size_t k = 1; k < values_.size(); ++k)
            sum += values_[k] * static_cast<unsigned>(k);
        values_.push_back(static_cast<uint8_t>(sum % 103));
        return values_;
    }

private:
    int at(int p) const { return text_[p - 1].unicode(); }
    bool digit(int p) const { return at(p) >= '0' && at(p) <= '9'; }
    bool runAt(int p) const {
        return p <= n_ - 3 && digit(p) && digit(p + 1) && digit(p + 2) && digit(p + 3);
    }
    int nextRun(int from) const {
        for (int p = from; p <= n_ - 1; ++p)
            if (runAt(p))
                return p;
        return n_ + 1;
    }
    bool preferB(int from) const {
        for (int p = from; p <= n_; ++p) {
            if (at(p) < 32)
                return false;
            if (at(p) >= 96)
                return true;
        }
        return true;
    }
    template <typename Pred> int firstFrom(int from, Pred pred) const {
        for (int p = from; p <= n_; ++p)
            if (pred(at(p)))
                return p;
        return n_ + 1;
    }
    static uint8_t value(int code) { return static_cast<uint8_t>(code >= 32 ? code - 32 : code + 64); }
    void appendUpTo(int limit) {
        while (i_ < limit && i_ < next_ && i_ <= n_) {
            values_.push_back(value(at(i_)));
            ++i_;
        }
    }
    void runA() {
        if (set_ != 'A') {
            values_.push_back(101);
            set_ = 'A';
        }
        const auto isHigh = [](int c) { return c >= 96; };
        int limit = firstFrom(i_, isHigh);
        for (;;) {
            appendUpTo(limit);
            if (i_ >= next_ || i_ > n_)
                return;
            if (preferB(i_ + 1))
                return;
            limit = firstFrom(i_ + 1, isHigh);
            values_.push_back(98);
        }
    }
    void runB() {
        if (set_ != 'B') {
            values_.push_back(100);
            set_ = 'B';
        }
        const auto isControl = [](int c) { return c < 32; };
        int limit = firstFrom(i_, isControl);
        for (;;) {
            appendUpTo(limit);
            if (i_ >= next_ || i_ > n_)
                return;
            if (!preferB(i_ + 1))
                return;
            limit = firstFrom(i_ + 1, isControl);
            values_.push_back(98);
        }
    }

    const QString& text_;
    const int n_;
    int i_ = 1;
    int next_ = 1;
    char set_ = 'C';
    std::vector<uint8_t> values_;
};

} // namespace

std::optional<std::vector<uint8_t>> Code128Values(const QString& text, bool withFnc1) {
    // Characters outside the code sets A, B and C would turn into special values.
    for (QChar c : text)
        if (c.unicode() >= 128)
            return std::nullopt;
    std::vector<uint8_t> values = Code128Encoder(text).encode(withFnc1);
    if (values.size() > kCode128MaxValues)
        return std::nullopt;
    return values;
}

std::vector<int> Code128Pattern(int value) {
    std::vector<int> widths(6, 0);
    if (value < 0 || value > 105)
        return widths;
    for (int k = 0; k < 6; ++k)
        widths[k] = kCode128[value][k] - '0';
    return widths;
}

std::vector<int> Code128Widths(const std::vector<uint8_t>& values) {
    std::vector<int> widths;
    widths.reserve(values.size() * 6 + 7);
    for (uint8_t v : values) {
        const std::vector<int> p = Code128Pattern(v);
        widths.insert(widths.end(), p.begin(), p.end());
    }
    for (const char* s = kCode128StopPattern; *s != '\0'; ++s)
        widths.push_back(*s - '0');
    return widths;
}

} // namespace barcode
