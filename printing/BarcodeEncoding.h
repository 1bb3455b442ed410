#pragma once

#include <QChar>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// The symbologies as plain data: what bars and gaps a text turns into, before any pixel is drawn.
namespace barcode {

// One element of a two-width symbol: a bar or a gap, narrow or wide.
struct Element {
    bool bar = false;
    bool wide = false;
    bool operator==(const Element&) const = default;
};
using Elements = std::vector<Element>;

// Modulo-10 check digit, weights 3 and 1 alternating from firstWeight (the weight after a 3 is 1,
// after anything else 3). Always a digit character, also for characters that are not digits.
QChar CheckDigitMod10(const QString& text, int firstWeight);

// Start "*", the text upper-cased, stop "*"; each character followed by a narrow gap. Characters
// outside the table are nine narrow elements.
Elements Code39(const QString& text);
// Industrial 2 of 5: every digit as five bars with narrow gaps between start and stop.
Elements Code25(const QString& text);
// Interleaved 2 of 5; a text of odd length gets a leading "0".
Elements Interleaved2Of5(const QString& text);
// Codabar between the start and stop character A.
Elements Codabar(const QString& text);
// The digits PostNet draws: the text with its check digit when it has at most digitCount characters.
QString PostNetDigits(const QString& text, int digitCount);
// PostNet drawn with two bar widths: full bars wide, half bars narrow, wide gaps.
Elements PostNet(const QString& text, int digitCount);
// Facing identification mark A, B or C chosen by the first character; nothing for any other.
std::optional<Elements> Fim(const QString& text);

// The 14 digits ITF-14 draws; nothing (the empty box) when the text is shorter than 12.
std::optional<QString> Itf14Digits(const QString& text);

// One module of an EAN symbol: dark or light, guard or digit length.
struct EanModule {
    bool bar = false;
    bool guard = false;
    bool operator==(const EanModule&) const = default;
};
// A digit printed under the bars, starting at the given module.
struct EanPrintedDigit {
    int firstModule = 0;
    QChar digit;
};
struct EanSymbol {
    QString digits; // 13 or 8, check digit included
    std::vector<EanModule> modules;
    std::vector<EanPrintedDigit> printed;
};
// EAN-13 for 12 or 13 characters, EAN-8 for 7 or 8; nothing (the empty box) for any other length.
std::optional<EanSymbol> Ean(const QString& text);

constexpr std::size_t kCode128MaxValues = 400;
// The symbol's values in drawing order: start, FNC1 when asked, data and code changes, check value.
// Nothing for a text with characters of code 128 or above, or when it needs more than 400 values.
std::optional<std::vector<uint8_t>> Code128Values(const QString& text, bool withFnc1);
// Element widths in modules, bar first: six per value, then the seven of the stop pattern.
std::vector<int> Code128Widths(const std::vector<uint8_t>& values);
// The six widths of one value (all 0 above 105).
std::vector<int> Code128Pattern(int value);

} // namespace barcode
