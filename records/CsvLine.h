#pragma once

#include "tester/WerteSatzFields.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <unordered_map>
#include <vector>

// The lines of the semicolon-separated export: a header line and one line per test, with the
// columns switched on in Globals::ExportColumns, in the order of ExportColumnTable (the exported
// fields of WerteSatzFields).

// Each item in double quotes, joined by ";". A double quote inside an item becomes a single
// quote, so that an item never ends early; a note's line breaks stay inside its quotes.
QString StringsToCsvLine(const QStringList& items);
// Header item of every switched-on column ("SichtpruefungBestanden" for key Sichtpruefung).
void FillCsvHeader(QStringList& items);
// Value item of every switched-on column; the insulation resistance as a tester of
// firmwareLevel shows it.
void FillCsvValues(QStringList& items, const TWerteSatz& w, int32_t firmwareLevel);
QString CsvHeaderLine();
QString CsvValueLine(const TWerteSatz& w, int32_t firmwareLevel);

// The fields of the switched-on columns, in export order.
std::vector<const TWerteSatzField*> ShownCsvColumns();

// The text of a value in the formats that depend on one number alone (not Text, not Date).
// MitIsol: bit 0 mitIsol, bit 1 mitIsoDiff.
QString FieldValueText(TFieldFormat format, int32_t value, int32_t firmwareLevel);

// A value line in the Windows-1252 bytes the export file writes for CsvValueLine, put together
// item by item, for many lines in a row: the item of a formatted value is worked out once per
// value, and a text may come as the UTF-8 a database holds.
class TCsvLineBytes {
public:
    explicit TCsvLineBytes(int32_t firmwareLevel) : firmwareLevel_(firmwareLevel) {}
    // Starts the next line.
    void Clear() { line_.clear(); }
    // The item of field c of w.
    void AppendField(const TWerteSatzField& c, const TWerteSatz& w);
    // The item of the date field holding date.
    void AppendDate(const QDate& date);
    // The item of a text field holding text (UTF-8).
    void AppendUtf8(QByteArrayView text);
    // Without its line end.
    QByteArrayView Line() const { return line_; }

private:
    struct Cached {
        bool known = false;
        QByteArray item;
    };

    void open();
    void appendCached(TFieldFormat format, int32_t value);

    int32_t firmwareLevel_;
    QByteArray line_;
    std::vector<std::vector<Cached>> small_;          // by format, then value from -1
    std::unordered_map<uint64_t, QByteArray> others_; // by format and value
};
