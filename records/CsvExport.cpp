#include "records/CsvExport.h"

#include "platform/cursor.h"
#include "records/CsvExportFile.h"
#include "records/CsvLine.h"
#include "records/StoredData.h"
#include "tester/WerteSatzFields.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

using Column = TWerteSatzField;

// The record has one date; it is kept apart as a day.
static_assert(std::ranges::count(WerteSatzFields, TFieldFormat::Date, &Column::Format) == 1);

// A field of the record and its column in the join (-1: the join lacks it).
struct JoinField {
    const Column* field;
    int column;
};

size_t indexOf(const Column* c) {
    return size_t(c - WerteSatzFields.data());
}

// The fields the join holds in the order FillWerteSatz reads them, the customer's, the device's,
// then the test's, so that the same value is the first that cannot be read.
std::vector<JoinField> joinFields(const platform::Cursor& join) {
    std::vector<JoinField> fields;
    for (TFieldOrigin origin : {TFieldOrigin::Customer, TFieldOrigin::Device, TFieldOrigin::Test})
        for (const Column& c : WerteSatzFields)
            if (c.Origin == origin)
                fields.push_back({&c, join.ColumnOf(QLatin1String(c.Name))});
    return fields;
}

} // namespace

bool WriteAllTests(platform::Database& db, TCsvExportFile& file, int32_t firmwareLevel) {
    platform::Cursor join(db, StoredDataSql::AllTestsForExport().join(QLatin1Char('\n')));
    const std::vector<JoinField> fields = joinFields(join);
    const std::vector<const Column*> shown = ShownCsvColumns();
    if (!file.WriteLine(CsvHeaderLine()))
        return false;
    TWerteSatz w;
    QDate date;
    std::array<QByteArrayView, WerteSatzFields.size()> texts; // by field, valid until the next row
    TCsvLineBytes line(firmwareLevel);
    while (join.Next()) {
        for (const JoinField& f : fields) {
            // As a query's FieldByName, only once there is a row to read.
            if (f.column < 0)
                throw platform::EDatabaseError(
                    QStringLiteral("Feld '%1' nicht gefunden.").arg(QLatin1String(f.field->Name)));
            const TWerteSatzMember& m = f.field->Member;
            if (m.Number)
                w.*m.Number = join.AsInteger(f.column);
            else if (m.Flag)
                w.*m.Flag = join.AsBoolean(f.column);
            else if (m.Moment)
                date = join.AsDate(f.column);
            else if (m.Text)
                texts[indexOf(f.field)] = join.AsUtf8(f.column);
        }
        DecodeWerteSatzFlags(w, firmwareLevel);
        line.Clear();
        for (const Column* c : shown) {
            if (c->Format == TFieldFormat::Text)
                line.AppendUtf8(texts[indexOf(c)]);
            else if (c->Format == TFieldFormat::Date)
                line.AppendDate(date);
            else
                line.AppendField(*c, w);
        }
        if (!file.WriteBytes(line.Line()))
            return false;
    }
    return true;
}
