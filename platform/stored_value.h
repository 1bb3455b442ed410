#pragma once

// How a value the database file holds reads as the number, truth value, date or text of a field:
// the rules the query objects and the cursor share, so that every reader of a file sees the same
// values and fails on the same ones. A file of another origin may hold any value in any column.

#include <QDate>
#include <QString>
#include <QVariant>

#include <cstdint>

namespace platform {

enum class TFieldType { ftUnknown, ftAutoInc, ftInteger, ftSmallint, ftDate, ftBoolean, ftString };

// The field type (and a text's width in characters) that a column's declared type stands for.
TFieldType typeOfDeclaration(const char* declaredType, int& size);

// An empty value (none, or an empty text) reads as 0, false, an invalid date or empty text. A text
// that is no number or no date throws EDatabaseError naming the value and the field.
bool storedIsNull(const QVariant& value);
// Whole numbers beyond 32 bits read as the nearest 32-bit one.
int32_t storedInteger(const QVariant& value, const QString& field);
bool storedBoolean(const QVariant& value, const QString& field);
// A text in ISO form (yyyy-MM-dd).
QDate storedDate(const QVariant& value, const QString& field);
// The text of a field of the type: a date as dd.MM.yyyy, a truth value as True or False, a
// number in decimals, a text as it is.
QString storedText(const QVariant& value, TFieldType type, const QString& field);

} // namespace platform
