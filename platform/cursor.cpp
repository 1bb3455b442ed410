#include "platform/cursor.h"

#include "platform/statement.h"

#include <sqlite3.h>

#include <algorithm>
#include <limits>

namespace platform {

Cursor::Cursor(Database& db, const QString& sql) : statement_(std::make_unique<Statement>(db.Handle(), sql)) {
    sqlite3_stmt* st = statement_->get();
    // What it wrote would pass by the units that keep a failed write out of the file.
    if (!sqlite3_stmt_readonly(st))
        throw EDatabaseError(QStringLiteral("Die Anweisung ändert die Datenbank; sie kann nicht zeilenweise "
                                            "gelesen werden."));
    names_ = fieldNames(st, 0);
    for (int i = 0; i < int(names_.size()); ++i) {
        int size = 0;
        types_.push_back(typeOfDeclaration(sqlite3_column_decltype(st, i), size));
    }
    converted_.resize(names_.size());
    bound_.resize(size_t(sqlite3_bind_parameter_count(st)) + 1);
}

Cursor::~Cursor() = default;

void Cursor::Bind(const QString& name, const QVariant& value) {
    if (started_)
        throw EDatabaseError(QStringLiteral("Parameter '%1': die Abfrage wird schon gelesen.").arg(name));
    const int i =
        sqlite3_bind_parameter_index(statement_->get(), (QLatin1Char(':') + name).toUtf8().constData());
    if (i == 0)
        throw EDatabaseError(QStringLiteral("Parameter '%1' nicht gefunden.").arg(name));
    statement_->bind(i, value);
    bound_[size_t(i)] = true;
}

bool Cursor::Next() {
    if (done_)
        return false;
    if (!started_) {
        for (size_t i = 1; i < bound_.size(); ++i) {
            if (bound_[i])
                continue;
            const char* name = sqlite3_bind_parameter_name(statement_->get(), int(i));
            throw EDatabaseError(QStringLiteral("Parameter '%1' hat keinen Wert.")
                                     .arg(name ? QString::fromUtf8(name + 1) : QString::number(i)));
        }
        started_ = true;
    }
    // After the last row or a failure, a further step would run the statement anew.
    done_ = true;
    done_ = !statement_->step();
    return !done_;
}

int Cursor::ColumnOf(const QString& name) const {
    const auto it = std::ranges::find_if(
        names_, [&](const QString& n) { return n.compare(name, Qt::CaseInsensitive) == 0; });
    return it == names_.end() ? -1 : int(it - names_.begin());
}

void Cursor::requireRow(int column) const {
    if (!started_ || done_ || column < 0 || column >= ColumnCount())
        throw EDatabaseError(
            QStringLiteral("Spalte %1: die Abfrage steht auf keiner Zeile mit dieser Spalte.").arg(column));
}

int Cursor::kindOf(int column) const {
    requireRow(column);
    return sqlite3_column_type(statement_->get(), column);
}

QVariant Cursor::Value(int column) const {
    requireRow(column);
    return statement_->column(column);
}

// Whole numbers, empty values and texts in their own form are read here without the detour over
// a variant: most values of a long result are these. The others go by the shared rules.

bool Cursor::IsNull(int column) const {
    const int kind = kindOf(column);
    if (kind == SQLITE_NULL)
        return true;
    if (kind == SQLITE_TEXT)
        return sqlite3_column_bytes(statement_->get(), column) == 0;
    return storedIsNull(Value(column));
}

int32_t Cursor::AsInteger(int column) const {
    switch (kindOf(column)) {
    case SQLITE_NULL:
        return 0;
    case SQLITE_INTEGER:
        return int32_t(std::clamp<sqlite3_int64>(sqlite3_column_int64(statement_->get(), column),
                                                 std::numeric_limits<int32_t>::min(),
                                                 std::numeric_limits<int32_t>::max()));
    default:
        return storedInteger(Value(column), names_[size_t(column)]);
    }
}

bool Cursor::AsBoolean(int column) const {
    switch (kindOf(column)) {
    case SQLITE_NULL:
        return false;
    case SQLITE_INTEGER:
        return sqlite3_column_int64(statement_->get(), column) != 0;
    default:
        return storedBoolean(Value(column), names_[size_t(column)]);
    }
}

QDate Cursor::AsDate(int column) const {
    const int kind = kindOf(column);
    if (kind == SQLITE_NULL)
        return QDate();
    const auto* t = kind == SQLITE_TEXT ? sqlite3_column_text(statement_->get(), column) : nullptr;
    if (t && sqlite3_column_bytes(statement_->get(), column) == 10 && t[4] == '-' && t[7] == '-') {
        // yyyy-MM-dd in digits with a year from 1 on is the day itself. Any other text, and a day
        // that does not exist, goes by the shared rules.
        const auto number = [t](int from, int count) {
            int n = 0;
            for (int i = from; i < from + count; ++i) {
                if (t[i] < '0' || t[i] > '9')
                    return -1;
                n = n * 10 + (t[i] - '0');
            }
            return n;
        };
        const int year = number(0, 4);
        const QDate date(year, number(5, 2), number(8, 2));
        if (year > 0 && date.isValid())
            return date;
    }
    return storedDate(Value(column), names_[size_t(column)]);
}

QString Cursor::AsString(int column) const {
    return storedText(Value(column), types_[size_t(column)], names_[size_t(column)]);
}

QByteArrayView Cursor::AsUtf8(int column) {
    const int kind = kindOf(column);
    const TFieldType type = types_[size_t(column)];
    if (kind == SQLITE_NULL)
        return {};
    // Only dates and truth values give a text of their own for a stored text.
    if (kind == SQLITE_TEXT && type != TFieldType::ftDate && type != TFieldType::ftBoolean)
        return {reinterpret_cast<const char*>(sqlite3_column_text(statement_->get(), column)),
                sqlite3_column_bytes(statement_->get(), column)};
    converted_[size_t(column)] = AsString(column).toUtf8();
    return converted_[size_t(column)];
}

} // namespace platform
