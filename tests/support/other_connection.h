#pragma once

#include <sqlite3.h>

#include <QString>

#include <cstdint>
#include <string>

// Another program's connection to a database file, straight on SQLite.
class OtherConnection {
public:
    explicit OtherConnection(const QString& path) {
        sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    }
    ~OtherConnection() { sqlite3_close(db_); }
    OtherConnection(const OtherConnection&) = delete;
    OtherConnection& operator=(const OtherConnection&) = delete;

    int exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }
    // The rows of a table, -1 when the count fails.
    int64_t count(const char* table) {
        const std::string sql = std::string("SELECT count(*) FROM \"") + table + "\"";
        sqlite3_stmt* st = nullptr;
        int64_t n = -1;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return n;
    }

private:
    sqlite3* db_ = nullptr;
};
