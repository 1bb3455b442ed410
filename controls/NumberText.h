#pragma once

#include <QChar>
#include <QString>

#include <cstdint>
#include <optional>

// Numbers as text in the printf-like formats of the numeric edits: reading what a user typed,
// formatting a value, and finding the number in a text that a format made.
namespace numbertext {

// The decimal marks a typed number may carry: the edit's separator alone, or "," and "." alike
// (where the format puts no group marks between the digits).
enum class TDecimalMarks { SeparatorOnly, CommaOrPoint };
// The marks an edit with format accepts.
TDecimalMarks DecimalMarksOf(const QString& format);

// A plain number: optional sign, digits with at most one decimal mark, optional exponent.
std::optional<double> TextToFloat(const QString& text, QChar separator,
                                  TDecimalMarks marks = TDecimalMarks::SeparatorOnly);
// Decimal, or hexadecimal after "$" or "0x"; optional sign.
std::optional<int32_t> TextToInt(const QString& text);

// Formats by the first conversion of format (e, f, g, n, m for floats; d, u, x for
// integers) with its width and precision; the rest of format is copied.
QString FormatFloat(const QString& format, double value, QChar separator);
QString FormatInt(const QString& format, int32_t value);

// The number within a text made by format: the text around it is skipped by the lengths
// of the format around its conversion, and of that only sign, digits and the rightmost
// decimal mark, given as separator, (integers in hexadecimal: "$" and the hex digits) are kept.
QString ExtractFloatNumber(const QString& text, const QString& format, QChar separator,
                           TDecimalMarks marks = TDecimalMarks::SeparatorOnly);
QString ExtractIntNumber(const QString& text, const QString& format);

} // namespace numbertext
