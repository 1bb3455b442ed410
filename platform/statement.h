#pragma once

// A prepared statement on the database's connection, and the engine's failures in the words the
// user reads. For the database's own sources only.

#include "platform/database.h"

#include <sqlite3.h>

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <vector>

namespace platform {

// What the user reads when the engine fails: what happened to which file, then the engine's
// own words. Without a file name the connection's file is named.
EDatabaseError engineError(sqlite3* db, QString file = QString());

// The names a statement's result columns have as fields, from column first on: a join may name a
// column twice, and the later ones get "_1", "_2", ...
std::vector<QString> fieldNames(sqlite3_stmt* st, int first);

// A prepared statement that finalises itself.
class Statement {
public:
    Statement(sqlite3* db, const QString& sql) : db_(db) {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt_, nullptr) != SQLITE_OK)
            throw engineError(db);
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return stmt_; }

    void bind(int index, const QVariant& value) {
        int rc = SQLITE_OK;
        if (value.isNull()) {
            rc = sqlite3_bind_null(stmt_, index);
        } else if (value.typeId() == QMetaType::QString) {
            const QByteArray text = value.toString().toUtf8();
            rc = sqlite3_bind_text(stmt_, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        } else if (value.typeId() == QMetaType::Double) {
            rc = sqlite3_bind_double(stmt_, index, value.toDouble());
        } else if (value.typeId() == QMetaType::QByteArray) {
            const QByteArray bytes = value.toByteArray();
            rc = sqlite3_bind_blob(stmt_, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        } else {
            rc = sqlite3_bind_int64(stmt_, index, value.toLongLong());
        }
        if (rc != SQLITE_OK)
            throw engineError(db_);
    }

    // True while a row is ready; throws on an error.
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw engineError(db_);
        return rc == SQLITE_ROW;
    }

    QVariant column(int i) const {
        const auto bytes = [&] { return sqlite3_column_bytes(stmt_, i); };
        switch (sqlite3_column_type(stmt_, i)) {
        case SQLITE_INTEGER:
            return qlonglong(sqlite3_column_int64(stmt_, i));
        case SQLITE_FLOAT:
            return sqlite3_column_double(stmt_, i);
        case SQLITE_TEXT:
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i)), bytes());
        case SQLITE_BLOB:
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt_, i)), bytes());
        default:
            return QVariant();
        }
    }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace platform
