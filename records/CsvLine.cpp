#include "records/CsvLine.h"

#include "platform/windows1252.h"
#include "records/StoredData.h"
#include "tester/Globals.h"

#include <charconv>

namespace {

using Kind = TFieldFormat;
using Column = TWerteSatzField;

int32_t mitIsolCode(const TWerteSatz& w) {
    return (w.mitIsol ? 1 : 0) | (w.mitIsoDiff ? 2 : 0);
}

QString dateText(const QDate& d) {
    return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

QString valueText(const Column& c, const TWerteSatz& w, int32_t firmwareLevel) {
    switch (c.Format) {
    case Kind::Text:
        return w.*c.Member.Text;
    case Kind::Date: {
        const QDateTime& date = w.*c.Member.Moment;
        return dateText(date.isValid() ? date.date() : QDate());
    }
    case Kind::JaNein:
        return FieldValueText(c.Format, w.*c.Member.Flag ? 1 : 0, firmwareLevel);
    case Kind::MitIsol:
        return FieldValueText(c.Format, mitIsolCode(w), firmwareLevel);
    default:
        return FieldValueText(c.Format, w.*c.Member.Number, firmwareLevel);
    }
}

QString cleanItem(QString item) {
    item.replace(u'"', u'\'');
    return item;
}

} // namespace

QString FieldValueText(TFieldFormat format, int32_t v, int32_t firmwareLevel) {
    switch (format) {
    case Kind::Sichtpruef:
        return SichtpruefText(v);
    case Kind::Schutzleiterwid:
        return FormatSchutzleiterwid(v);
    case Kind::Isolationswid:
        return FormatIsolationswid(v, firmwareLevel);
    case Kind::Ableitstrom:
        return FormatAbleitstrom(v);
    case Kind::Strom:
        return FormatStrom(v);
    case Kind::JaNein:
        return BoolToJaNein(v != 0);
    case Kind::DinVde:
        return v == 1 ? QStringLiteral("0701") : v == 2 ? QStringLiteral("0702") : QString();
    case Kind::MitIsol:
        return (v & 2) ? QStringLiteral("Iso+Diff") : BoolToJaNein((v & 1) != 0);
    default:
        return QString::number(v);
    }
}

std::vector<const Column*> ShownCsvColumns() {
    std::vector<const Column*> shown;
    for (size_t i = 0; i < ExportedFields.size(); ++i)
        if (Globals::ExportColumns[i])
            shown.push_back(ExportedFields[i]);
    return shown;
}

QString StringsToCsvLine(const QStringList& items) {
    QString line;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            line += u';';
        line += u'"' + cleanItem(items.at(i)) + u'"';
    }
    return line;
}

void FillCsvHeader(QStringList& items) {
    items.clear();
    for (const Column* c : ShownCsvColumns())
        items << QString::fromLatin1(c->Header());
}

void FillCsvValues(QStringList& items, const TWerteSatz& w, int32_t firmwareLevel) {
    items.clear();
    for (const Column* c : ShownCsvColumns())
        items << valueText(*c, w, firmwareLevel);
}

QString CsvHeaderLine() {
    QStringList items;
    FillCsvHeader(items);
    return StringsToCsvLine(items);
}

QString CsvValueLine(const TWerteSatz& w, int32_t firmwareLevel) {
    QStringList items;
    FillCsvValues(items, w, firmwareLevel);
    return StringsToCsvLine(items);
}

// ---- TCsvLineBytes

// Every item begins with its quote; the first one opens the line.
void TCsvLineBytes::open() {
    if (!line_.isEmpty())
        line_.append(';');
    line_.append('"');
}

void TCsvLineBytes::AppendUtf8(QByteArrayView text) {
    open();
    const qsizetype start = line_.size();
    bool ascii = true;
    for (qsizetype i = 0; i < text.size() && ascii; ++i)
        ascii = static_cast<unsigned char>(text[i]) < 0x80;
    if (ascii)
        line_.append(text);
    else
        line_.append(platform::encodeWindows1252(QString::fromUtf8(text)));
    // A double quote of the set is the one of ASCII, and no other character encodes as it.
    for (qsizetype i = start; i < line_.size(); ++i)
        if (line_[i] == '"')
            line_[i] = '\'';
    line_.append('"');
}

void TCsvLineBytes::AppendDate(const QDate& date) {
    open();
    line_.append(dateText(date).toLatin1());
    line_.append('"');
}

void TCsvLineBytes::appendCached(Kind kind, int32_t value) {
    constexpr int32_t smallLimit = 4096;
    const auto itemOf = [this, kind, value] {
        return platform::encodeWindows1252(cleanItem(FieldValueText(kind, value, firmwareLevel_)));
    };
    if (value >= -1 && value < smallLimit) {
        if (small_.size() <= size_t(kind))
            small_.resize(size_t(kind) + 1);
        auto& byKind = small_[size_t(kind)];
        if (byKind.empty())
            byKind.resize(smallLimit + 1);
        Cached& slot = byKind[size_t(value + 1)];
        if (!slot.known) {
            slot.item = itemOf();
            slot.known = true;
        }
        line_.append(slot.item);
        return;
    }
    const auto [it, fresh] = others_.try_emplace((uint64_t(kind) << 32) | uint32_t(value));
    if (fresh)
        it->second = itemOf();
    line_.append(it->second);
}

void TCsvLineBytes::AppendField(const Column& c, const TWerteSatz& w) {
    if (c.Format == Kind::Date) {
        const QDateTime& date = w.*c.Member.Moment;
        AppendDate(date.isValid() ? date.date() : QDate());
        return;
    }
    open();
    switch (c.Format) {
    case Kind::Text:
        line_.append(platform::encodeWindows1252(cleanItem(w.*c.Member.Text)));
        break;
    case Kind::Number: {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, w.*c.Member.Number).ptr;
        line_.append(digits, end - digits);
        break;
    }
    case Kind::JaNein:
        appendCached(c.Format, w.*c.Member.Flag ? 1 : 0);
        break;
    case Kind::MitIsol:
        appendCached(c.Format, mitIsolCode(w));
        break;
    default:
        appendCached(c.Format, w.*c.Member.Number);
        break;
    }
    line_.append('"');
}
