#pragma once

#include "platform/database.h"
#include "platform/stored_value.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

class Statement;

// A forward-only read of a SELECT straight from the file: one row at a time, nothing of the result
// held in memory, for results too long for a query object. Its columns are named as a query names
// its fields, and values read by the same rules (stored_value.h): the same values, the same
// failures. From the first Next to the last row it reads one state of the file; other programs
// may write meanwhile.
class Cursor {
public:
    // Prepares sql; throws EDatabaseError when the engine refuses it or it would write.
    Cursor(Database& db, const QString& sql);
    ~Cursor();
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    // A named parameter of the text (":Name", given without the colon), before the first Next.
    // Throws for a name the text lacks.
    void Bind(const QString& name, const QVariant& value);

    // Stands on the next row; false after the last. Throws EDatabaseError when a parameter of the
    // text has no value or the engine fails on the way.
    bool Next();

    int ColumnCount() const { return int(names_.size()); }
    // A join may name a column twice: the later ones are named "_1", "_2", ... after it.
    const QString& ColumnName(int column) const { return names_.at(size_t(column)); }
    TFieldType ColumnType(int column) const { return types_.at(size_t(column)); }
    // The first column of the name, in any case; -1 when there is none.
    int ColumnOf(const QString& name) const;

    // The current row's values, read as a query's field of the column reads them.
    bool IsNull(int column) const;
    int32_t AsInteger(int column) const;
    bool AsBoolean(int column) const;
    QDate AsDate(int column) const;
    QString AsString(int column) const;
    // AsString in UTF-8 (decoding it gives AsString): a text the file holds as it is read is given
    // without a copy. Valid until the next Next.
    QByteArrayView AsUtf8(int column);
    // The value as the file holds it: none, a whole number, a floating point number, a text or bytes.
    QVariant Value(int column) const;

private:
    void requireRow(int column) const;
    int kindOf(int column) const; // the engine's type of the value

    std::unique_ptr<Statement> statement_;
    std::vector<QString> names_;
    std::vector<TFieldType> types_;
    std::vector<bool> bound_;           // by parameter, from 1
    std::vector<QByteArray> converted_; // AsUtf8 of values that are not read as they are held
    bool started_ = false;
    bool done_ = false;
};

} // namespace platform
