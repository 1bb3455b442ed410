#include "controls/NumberText.h"

#include <QLatin1StringView>
#include <QStringView>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace numbertext {

namespace {

// One conversion of a format: the text before and after it, flags, width, precision.
struct TConversion {
    bool ok = false;
    QString prefix;
    QString suffix;
    bool left = false;
    int width = -1;
    int precision = -1;
    QChar letter;
};

// "%%" stands for a percent sign in the text around the conversion.
QString literal(QStringView s) {
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        out += s[i];
        if (s[i] == QLatin1Char('%') && i + 1 < s.size() && s[i + 1] == QLatin1Char('%'))
            ++i;
    }
    return out;
}

int readNumber(const QString& s, qsizetype& i) {
    int n = -1;
    while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128) {
        n = (n < 0 ? 0 : n) * 10 + (s[i].unicode() - '0');
        if (n > 1000)
            n = 1000; // a format cannot ask for an unbounded pad
        ++i;
    }
    return n;
}

TConversion parseFormat(const QString& format, QLatin1StringView letters) {
    TConversion conv;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] != QLatin1Char('%'))
            continue;
        if (i + 1 < format.size() && format[i + 1] == QLatin1Char('%')) {
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        // An argument index ("%0:d") names the one value there is.
        qsizetype k = j;
        readNumber(format, k);
        if (k < format.size() && k > j && format[k] == QLatin1Char(':'))
            j = k + 1;
        if (j < format.size() && format[j] == QLatin1Char('-')) {
            conv.left = true;
            ++j;
        }
        conv.width = readNumber(format, j);
        if (j < format.size() && format[j] == QLatin1Char('.')) {
            ++j;
            conv.precision = std::max(0, readNumber(format, j));
        }
        if (j < format.size() && letters.contains(format[j].toLower())) {
            conv.ok = true;
            conv.letter = format[j].toLower();
            conv.prefix = literal(QStringView(format).left(i));
            conv.suffix = literal(QStringView(format).mid(j + 1));
        }
        break;
    }
    return conv;
}

QString pad(const TConversion& conv, const QString& body) {
    QString text = body;
    if (conv.width > text.size()) {
        const QString fill(conv.width - text.size(), QLatin1Char(' '));
        text = conv.left ? text + fill : fill + text;
    }
    return conv.prefix + text + conv.suffix;
}

// Inserts a group character every three digits of the integer part.
QString grouped(const QString& number, QChar group) {
    const qsizetype point = number.indexOf(QLatin1Char('.'));
    const qsizetype intEnd = point < 0 ? number.size() : point;
    const qsizetype intStart = number.startsWith(QLatin1Char('-')) ? 1 : 0;
    QString out = number.left(intStart);
    for (qsizetype i = intStart; i < intEnd; ++i) {
        out += number[i];
        const qsizetype left = intEnd - i - 1;
        if (left > 0 && left % 3 == 0)
            out += group;
    }
    return out + number.mid(intEnd);
}

// The exponent as a sign and at least three digits, in upper case.
QString longExponent(QString text) {
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e < 0)
        return text;
    QString mantissa = text.left(e);
    QString exponent = text.mid(e + 1);
    QChar sign = QLatin1Char('+');
    if (exponent.startsWith(QLatin1Char('-')) || exponent.startsWith(QLatin1Char('+'))) {
        sign = exponent[0];
        exponent.remove(0, 1);
    }
    while (exponent.size() < 3)
        exponent.prepend(QLatin1Char('0'));
    return mantissa + QLatin1Char('E') + sign + exponent;
}

struct TRange {
    qsizetype start = 0;
    qsizetype end = 0; // exclusive
    bool hex = false;
};

// Where the number stands in a text made by format.
TRange numberRange(const QString& text, const QString& format, QLatin1StringView letters) {
    const qsizetype percent = format.indexOf(QLatin1Char('%'));
    const qsizetype start = percent < 0 ? 0 : percent;
    qsizetype letter = -1;
    for (qsizetype i = start + 1; i < format.size(); ++i) {
        if (letters.contains(format[i].toLower())) {
            letter = i;
            break;
        }
    }
    TRange r;
    r.start = std::min(start, text.size());
    r.end = letter < 0 ? text.size() : text.size() - (format.size() - letter - 1);
    r.end = std::clamp(r.end, r.start, text.size());
    r.hex = letter >= 0 && format[letter].toLower() == QLatin1Char('x');
    return r;
}

bool isAsciiDigit(QChar c) {
    return c.unicode() >= '0' && c.unicode() <= '9';
}

bool isDecimalMark(QChar c, QChar separator, TDecimalMarks marks) {
    if (c == separator)
        return true;
    return marks == TDecimalMarks::CommaOrPoint && (c == QLatin1Char(',') || c == QLatin1Char('.'));
}

bool isHexLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
}

} // namespace

TDecimalMarks DecimalMarksOf(const QString& format) {
    const QChar letter = parseFormat(format, QLatin1StringView("efgnm")).letter;
    return letter == QLatin1Char('n') || letter == QLatin1Char('m') ? TDecimalMarks::SeparatorOnly
                                                                    : TDecimalMarks::CommaOrPoint;
}

std::optional<double> TextToFloat(const QString& text, QChar separator, TDecimalMarks marks) {
    const QString s = text.trimmed();
    std::string ascii;
    qsizetype i = 0;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) {
        if (s[i] == QLatin1Char('-'))
            ascii += '-';
        ++i;
    }
    int mantissaDigits = 0;
    std::string mantissa;
    while (i < s.size() && isAsciiDigit(s[i])) {
        mantissa += static_cast<char>(s[i].unicode());
        ++mantissaDigits;
        ++i;
    }
    if (i < s.size() && isDecimalMark(s[i], separator, marks)) {
        mantissa += '.';
        ++i;
        while (i < s.size() && isAsciiDigit(s[i])) {
            mantissa += static_cast<char>(s[i].unicode());
            ++mantissaDigits;
            ++i;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (mantissa.front() == '.')
        mantissa.insert(mantissa.begin(), '0');
    if (mantissa.back() == '.')
        mantissa += '0';
    ascii += mantissa;
    if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        ascii += 'e';
        ++i;
        if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')))
            ascii += static_cast<char>(s[i++].unicode());
        int exponentDigits = 0;
        while (i < s.size() && isAsciiDigit(s[i])) {
            ascii += static_cast<char>(s[i++].unicode());
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (ec != std::errc() || ptr != ascii.data() + ascii.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int32_t> TextToInt(const QString& text) {
    const QString s = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
    }
    bool hex = false;
    if (i < s.size() && s[i] == QLatin1Char('$')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == QLatin1Char('0') &&
               (s[i + 1] == QLatin1Char('x') || s[i + 1] == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    }
    if (i == s.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < s.size(); ++i) {
        const QChar c = s[i];
        int digit = 0;
        if (isAsciiDigit(c))
            digit = c.unicode() - '0';
        else if (hex && isHexLetter(c))
            digit = (c.toLower().unicode() - 'a') + 10;
        else
            return std::nullopt;
        value = value * (hex ? 16 : 10) + digit;
        // Hexadecimal covers all 32 bits; decimal the signed range.
        if (value > (hex ? int64_t{0xFFFFFFFF} : int64_t{std::numeric_limits<int32_t>::max()} + 1))
            return std::nullopt;
    }
    if (hex) {
        uint32_t bits = static_cast<uint32_t>(value);
        if (negative)
            bits = 0u - bits;
        return static_cast<int32_t>(bits);
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(value);
}

QString FormatFloat(const QString& format, double value, QChar separator) {
    TConversion conv = parseFormat(format, QLatin1StringView("efgnm"));
    if (!conv.ok) {
        conv = TConversion{};
        conv.letter = QLatin1Char('g');
    }
    const QChar group = separator == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',');
    QString body;
    switch (conv.letter.unicode()) {
    case 'f':
        body = QString::number(value, 'f', conv.precision < 0 ? 2 : conv.precision);
        break;
    case 'n':
    case 'm':
        body = grouped(QString::number(value, 'f', conv.precision < 0 ? 2 : conv.precision),
                       QLatin1Char('\x01'));
        break;
    case 'e':
        body = longExponent(
            QString::number(value, 'e', std::max(0, (conv.precision < 0 ? 15 : conv.precision) - 1)));
        break;
    default:
        body = QString::number(value, 'g', conv.precision <= 0 ? 15 : conv.precision).toUpper();
        break;
    }
    body.replace(QLatin1Char('.'), separator);
    body.replace(QLatin1Char('\x01'), group);
    return pad(conv, body);
}

QString FormatInt(const QString& format, int32_t value) {
    TConversion conv = parseFormat(format, QLatin1StringView("dux"));
    if (!conv.ok) {
        conv = TConversion{};
        conv.letter = QLatin1Char('d');
    }
    const bool negative = conv.letter == QLatin1Char('d') && value < 0;
    QString digits;
    if (conv.letter == QLatin1Char('d'))
        digits = QString::number(std::abs(static_cast<int64_t>(value)));
    else if (conv.letter == QLatin1Char('u'))
        digits = QString::number(static_cast<uint32_t>(value));
    else
        digits = QString::number(static_cast<uint32_t>(value), 16).toUpper();
    if (conv.precision > digits.size())
        digits.prepend(QString(conv.precision - digits.size(), QLatin1Char('0')));
    return pad(conv, negative ? QLatin1Char('-') + digits : digits);
}

QString ExtractFloatNumber(const QString& text, const QString& format, QChar separator, TDecimalMarks marks) {
    const TRange r = numberRange(text, format, QLatin1StringView("efgmn"));
    qsizetype lastSeparator = -1;
    for (qsizetype i = r.start; i < r.end; ++i)
        if (isDecimalMark(text[i], separator, marks))
            lastSeparator = i;
    QString out;
    for (qsizetype i = r.start; i < r.end; ++i) {
        const QChar c = text[i];
        if (i == lastSeparator)
            out += separator;
        else if (c == QLatin1Char('-') || isAsciiDigit(c))
            out += c;
    }
    return out;
}

QString ExtractIntNumber(const QString& text, const QString& format) {
    const TRange r = numberRange(text, format, QLatin1StringView("dux"));
    QString out = r.hex ? QStringLiteral("$") : QString();
    for (qsizetype i = r.start; i < r.end; ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('-') || isAsciiDigit(c) || (r.hex && isHexLetter(c)))
            out += c;
    }
    return out;
}

} // namespace numbertext
