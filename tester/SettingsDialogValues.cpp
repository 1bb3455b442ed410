#include "tester/SettingsDialogValues.h"

#include <limits>

const QString ServiceIntervalMessage =
    QStringLiteral("Das Wartungsintervall muss eine ganze Zahl von Tagen sein.");

QStringList LinesOf(const TFiveLines& lines) {
    QStringList result;
    for (int k = TFiveLines::First; k <= TFiveLines::Last; ++k)
        result << lines[k];
    return result;
}

void TakeFiveLines(TFiveLines& target, const QStringList& lines) {
    for (int k = TFiveLines::First; k <= TFiveLines::Last; ++k)
        target[k] = k <= lines.size() ? lines[k - 1] : QString();
}

int ExportFileItemOf(int32_t exportFile) {
    if (exportFile < 0)
        return -1;
    return exportFile > 1 ? 1 : exportFile;
}

TSettingsDialogValues SettingsDialogValuesFromGlobals() {
    TSettingsDialogValues v;
    v.TopLines = LinesOf(Globals::TopLine);
    v.BottomLines = LinesOf(Globals::BottomLine);
    v.Operator = Globals::Operator;
    v.ServiceInterv = Globals::ServiceInterv;
    v.Preview = Globals::Preview;
    v.ExportFileName = Globals::ExportFileName;
    v.ExportFileItem = ExportFileItemOf(Globals::ExportFile);
    v.ExportColumns = Globals::ExportColumns;
    return v;
}

void StoreSettingsDialogValues(const TSettingsDialogValues& v) {
    TakeFiveLines(Globals::TopLine, v.TopLines);
    TakeFiveLines(Globals::BottomLine, v.BottomLines);
    Globals::Operator = v.Operator;
    Globals::ServiceInterv = v.ServiceInterv;
    Globals::Preview = v.Preview;
    Globals::ExportFile = v.ExportFileItem;
    Globals::ExportFileName = v.ExportFileName;
    // Without a name there is no fixed file to write to: the export asks.
    if (Globals::ExportFileName.isEmpty())
        Globals::ExportFile = 0;
    Globals::ExportColumns = v.ExportColumns;
}

namespace {

std::optional<int32_t> plainInteger(const QString& s) {
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
    }
    if (i == s.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(value);
}

} // namespace

std::optional<int32_t> ParseServiceInterval(const QString& text) {
    if (const std::optional<int32_t> plain = plainInteger(text.trimmed()))
        return plain;
    // As the integer edit with "%d" does: of the text only the signs and digits count.
    QString kept;
    for (const QChar c : text)
        if (c == QLatin1Char('-') || (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            kept += c;
    return plainInteger(kept);
}

int LineBreakCount(const QString& text) {
    int breaks = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            ++breaks;
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('\n') || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            ++breaks;
        }
    }
    return breaks;
}

int UsedLineCount(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && LineBreakCount(text.at(end - 1)) > 0)
        --end;
    return end == 0 ? 0 : LineBreakCount(text.left(end)) + 1;
}

qsizetype KeptTextLength(const QString& text) {
    int lines = LineBreakCount(text) + 1;
    qsizetype end = text.size();
    while (lines > ProtocolLineCount && end > 0) {
        const qsizetype width = end >= 2 && text.at(end - 2) == u'\r' && text.at(end - 1) == u'\n' ? 2 : 1;
        if (LineBreakCount(text.mid(end - width, width)) == 0)
            break;
        end -= width;
        --lines;
    }
    return end;
}

QString ExportColumnCaption(int index) {
    if (index == 23)
        return QStringLiteral("Sichtprüfung");
    return QString::fromLatin1(ExportColumnTable.at(static_cast<size_t>(index)).Key);
}

TExportCheckBoxPlace ExportCheckBoxPlace(int index) {
    // Five columns, 16 pixels a row from top 192. Index 23 is CheckBox57 at the foot of the
    // second column, so the boxes after it are numbered index + 1.
    if (index < 12)
        return {index + 2, 8, 192 + 16 * index, 81};
    if (index < 23)
        return {index + 2, 96, 192 + 16 * (index - 12), 113};
    if (index == 23)
        return {57, 96, 368, 113};
    if (index < 36)
        return {index + 1, 216, 192 + 16 * (index - 24), 129};
    if (index < 48) {
        const int number = index + 1;
        return {number, 344, 192 + 16 * (index - 36), number >= 46 ? 145 : 137};
    }
    return {index + 1, 488, 192 + 16 * (index - 48), 145};
}
