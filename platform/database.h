#pragma once

// A database in one SQLite file, read and written through query objects that hold their rows
// (query.h), or read one row at a time through a cursor (cursor.h).

#include "platform/error_report.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

struct sqlite3;

namespace platform {

// Every failure of the database layer. A failure of the engine names the file and says in
// German what happened, then gives the engine's own text.
class EDatabaseError : public EUserError {
public:
    explicit EDatabaseError(const QString& message, bool ofTheFile = false);
    // The file as a whole refused (locked by another program, full, unreadable, read-only):
    // every further write would fail alike, unlike a value or a row that was refused.
    bool OfTheFile() const { return ofTheFile_; }

private:
    bool ofTheFile_;
};

// What the user reads of a list that was closed because its rows could not be read again.
QString listNotReadAgainText(const QString& why);

class TQuery;

// The tables a file holds at a version (PRAGMA user_version), and the script that creates them
// in a new file. Version 0: the file is taken as it is.
struct TDatabaseSchema {
    int version = 0;
    QString script;
};

// One connection to a database file. Creates the schema's tables when the file is new and
// brings an older file up to date. The file is written ahead (WAL), so other programs may
// read it while the program writes.
class Database {
public:
    // Opens (or creates) the file; throws EDatabaseError when that fails.
    Database(const QString& path, const TDatabaseSchema& schema);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The database queries use when none is given: the one set by SetCurrent, else the one
    // the default opener opens on first use (EDatabaseError without one).
    static Database& Current();
    // Points queries made without a database at db (tests); nullptr goes back to the default.
    static void SetCurrent(Database* db);
    // How the program opens its database when a query first needs it.
    static void SetDefaultOpener(std::function<std::unique_ptr<Database>()> open);

    const QString& Path() const { return path_; }
    // The files of every open database, as the engine names them.
    static QStringList OpenFiles();
    int SchemaVersion() const;
    sqlite3* Handle() const { return db_; }
    // How long a write waits for another program's write to end (5 s unless set).
    void SetBusyTimeout(int milliseconds);

    // Runs a statement without result rows (no parameters).
    void Execute(const QString& sql);

    // Runs fn as one unit (units nest): everything it wrote is kept, or nothing when it or
    // the commit fails; then no transaction is left open. Queries whose rows show a write
    // that the failure took back read their rows again, as on reopening; a query that cannot
    // be read again is closed, and the failure on its way says so.
    void RunAtomically(const std::function<void()>& fn);

    // False when the engine itself ended the transaction of the running units, as it may on a
    // full disk, an I/O error, lack of memory or a lock: what they wrote is gone, and what is
    // written now would be kept on its own. True while no unit runs.
    bool UnitOpen() const;
    // Unless UnitOpen: throws, as a failure of the whole file, the failure that ended the units.
    void RequireUnitOpen() const;

private:
    friend class TQuery;
    friend EDatabaseError engineError(sqlite3* db, QString file);
    void prepareSchema(const TDatabaseSchema& schema);
    // The query's rows now show a write of the running unit (outside a unit: of the file).
    void noteWrite(TQuery& query);
    void keepWrites();
    // Gives what could not be read again, as the user is to read it; empty when all could.
    QString rereadWriters(int depth);
    // An engine failure on the connection h: the one that ended the running units is kept.
    static void noteEngineFailure(sqlite3* h, const EDatabaseError& error);

    QString path_;
    sqlite3* db_ = nullptr;
    int savepointDepth_ = 0;
    QString unitLostBy_; // the failure that ended the running units' transaction
    // Queries that wrote inside the running units, with the depth of the unit of their last
    // write. A query destroyed meanwhile leaves a null pointer.
    std::vector<std::pair<QPointer<TQuery>, int>> writers_;
};

// Whether path names, by whatever name or link, the database file `file` or one the engine keeps
// beside it (its write-ahead log, shared memory or rollback journal), whether there yet or not.
bool isDatabaseFile(const QString& path, const QString& file);

} // namespace platform
