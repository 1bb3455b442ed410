#include "platform/database.h"

#include "platform/file_replacement.h"
#include "platform/log_sink.h"
#include "platform/query.h"
#include "platform/set_for.h"
#include "platform/statement.h"

#include <sqlite3.h>

#include <QFileInfo>

#include <algorithm>

namespace platform {

namespace {

Database* currentDb = nullptr;                            // set by SetCurrent
std::function<std::unique_ptr<Database>()> defaultOpener; // set by SetDefaultOpener

// Every open database, so that an engine failure finds the one it happened on.
// Never destroyed: a database closed by another static object at exit still finds it.
std::vector<Database*>& openDatabases() {
    static auto* all = new std::vector<Database*>;
    return *all;
}

// The failure on its way, with what the user is to read besides.
[[noreturn]] void rethrowWith(const QString& note) {
    try {
        throw;
    } catch (const EDatabaseError& e) {
        throw EDatabaseError(e.Message() + note, e.OfTheFile());
    } catch (const std::exception& e) {
        throw EDatabaseError(QString::fromUtf8(e.what()) + note);
    }
}

int intOf(sqlite3* db, const char* sql) {
    Statement s(db, QString::fromUtf8(sql));
    return s.step() ? sqlite3_column_int(s.get(), 0) : 0;
}

// Write-ahead: another program reading the file never makes a write of ours fail. The pragma
// answers with the mode the file now has; a file system that refuses write-ahead leaves
// another one, and the program runs on with it, so the program log says so.
void setWriteAhead(sqlite3* db) {
    const char* file = sqlite3_db_filename(db, "main");
    const QString name = file && *file ? QString::fromUtf8(file) : QStringLiteral(":memory:");
    QString mode;
    try {
        Statement s(db, QStringLiteral("PRAGMA journal_mode = WAL"));
        mode = s.step() ? s.column(0).toString() : QString();
    } catch (const EDatabaseError& e) {
        const QString why = e.Message().replace(QLatin1Char('\n'), QLatin1Char(' '));
        writeLog(QStringLiteral("Datenbank %1: Journalmodus WAL nicht eingestellt: %2")
                     .arg(name, why)
                     .toStdString());
        return;
    }
    if (mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        writeLog(QStringLiteral("Datenbank %1: Journalmodus %2 statt WAL").arg(name, mode).toStdString());
}

} // namespace

QString listNotReadAgainText(const QString& why) {
    return QStringLiteral(
               "Die Liste konnte nicht neu gelesen werden und bleibt leer, bis sie wieder geöffnet "
               "wird: ") +
           why;
}

EDatabaseError::EDatabaseError(const QString& message, bool ofTheFile)
    : EUserError(message), ofTheFile_(ofTheFile) {}

Database::Database(const QString& path, const TDatabaseSchema& schema) : path_(path) {
    const int rc =
        sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    try {
        if (rc != SQLITE_OK)
            throw engineError(db_, QFileInfo(path).absoluteFilePath());
        sqlite3_busy_timeout(db_, 5000);
        setWriteAhead(db_);
        sqlite3_exec(db_, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
        // Every text is bound as a parameter: a word in double quotes is a name, never a text.
        sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
        sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
        prepareSchema(schema);
    } catch (const EDatabaseError&) {
        sqlite3_close(db_);
        throw;
    }
    openDatabases().push_back(this);
}

Database::~Database() {
    if (currentDb == this)
        currentDb = nullptr;
    std::erase(openDatabases(), this);
    sqlite3_close(db_);
}

Database& Database::Current() {
    static std::unique_ptr<Database> fallback;
    if (currentDb)
        return *currentDb;
    if (!fallback) {
        if (!defaultOpener)
            throw EDatabaseError(QStringLiteral("Es ist keine Datenbank geöffnet."));
        fallback = defaultOpener();
    }
    return *fallback;
}

void Database::SetCurrent(Database* db) {
    currentDb = db;
}

void Database::SetDefaultOpener(std::function<std::unique_ptr<Database>()> open) {
    defaultOpener = std::move(open);
}

QStringList Database::OpenFiles() {
    QStringList files;
    for (const Database* db : openDatabases()) {
        const char* file = sqlite3_db_filename(db->db_, "main");
        if (file && *file)
            files << QString::fromUtf8(file);
    }
    return files;
}

bool isDatabaseFile(const QString& path, const QString& file) {
    for (const char* companion : {"", "-wal", "-shm", "-journal"})
        if (sameFile(path, file + QLatin1String(companion)))
            return true;
    return false;
}

void Database::SetBusyTimeout(int milliseconds) {
    sqlite3_busy_timeout(db_, milliseconds);
}

int Database::SchemaVersion() const {
    return intOf(db_, "PRAGMA user_version");
}

void Database::Execute(const QString& sql) {
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw engineError(db_);
}

void Database::prepareSchema(const TDatabaseSchema& schema) {
    const int version = SchemaVersion();
    // A file of another origin is left as it is: its faults show when a query opens.
    if (schema.version == 0 || version >= schema.version ||
        (version == 0 && intOf(db_, "SELECT count(*) FROM sqlite_master WHERE type = 'table'") > 0))
        return;
    RunAtomically([&] {
        if (version == 0)
            Execute(schema.script);
        // Later versions bring older files up to date here, one step per version.
        Execute(QStringLiteral("PRAGMA user_version = %1").arg(schema.version));
    });
}

bool Database::UnitOpen() const {
    return savepointDepth_ == 0 || !sqlite3_get_autocommit(db_);
}

void Database::RequireUnitOpen() const {
    if (UnitOpen())
        return;
    throw EDatabaseError(unitLostBy_.isEmpty()
                             ? QStringLiteral("Die Datenbank hat die laufenden Änderungen verworfen.")
                             : unitLostBy_,
                         true);
}

void Database::noteEngineFailure(sqlite3* h, const EDatabaseError& error) {
    for (Database* d : openDatabases())
        if (d->db_ == h && !d->UnitOpen() && d->unitLostBy_.isEmpty())
            d->unitLostBy_ = error.Message();
}

void Database::RunAtomically(const std::function<void()>& fn) {
    // A unit begun after the engine ended the one around it would be kept on its own.
    RequireUnitOpen();
    if (savepointDepth_ == 0)
        unitLostBy_.clear();
    const QString name = QStringLiteral("gt_%1").arg(savepointDepth_);
    Execute(QStringLiteral("SAVEPOINT ") + name);
    try {
        const auto nested = setFor(savepointDepth_, savepointDepth_ + 1); // undone before catch runs
        fn();
        RequireUnitOpen();
        // Releasing the outermost savepoint is the commit; it may fail too.
        Execute(QStringLiteral("RELEASE ") + name);
        if (savepointDepth_ == 1 && !sqlite3_get_autocommit(db_))
            throw EDatabaseError(QStringLiteral("Die Änderungen wurden nicht gespeichert: in der Datenbank "
                                                "war noch eine Transaktion offen."));
    } catch (...) {
        if (!sqlite3_get_autocommit(db_)) {
            const QByteArray undo = QStringLiteral("ROLLBACK TO %1; RELEASE %1").arg(name).toUtf8();
            sqlite3_exec(db_, undo.constData(), nullptr, nullptr, nullptr);
        }
        // Nothing may run on inside a transaction that nobody will commit.
        if (savepointDepth_ == 0 && !sqlite3_get_autocommit(db_))
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        // An error that ended the whole transaction took back what the units around wrote too.
        const QString unread = rereadWriters(sqlite3_get_autocommit(db_) ? 0 : savepointDepth_);
        if (unread.isEmpty())
            throw;
        rethrowWith(QLatin1Char('\n') + listNotReadAgainText(unread));
    }
    keepWrites();
}

void Database::noteWrite(TQuery& query) {
    if (savepointDepth_ == 0)
        return;
    for (auto& [q, depth] : writers_) {
        if (q == &query) {
            depth = savepointDepth_;
            return;
        }
    }
    writers_.emplace_back(&query, savepointDepth_);
}

// A unit ended and kept its writes: they now belong to the unit around it, or to the file.
void Database::keepWrites() {
    if (savepointDepth_ == 0) {
        writers_.clear();
        return;
    }
    for (auto& w : writers_)
        w.second = std::min(w.second, savepointDepth_);
}

// The file took back what was written in the units deeper than depth: the queries that wrote
// there read their rows again. They stay noted for the units still running around them, whose
// writes their rows show as well. Their handlers may write or destroy queries meanwhile.
QString Database::rereadWriters(int depth) {
    std::erase_if(writers_, [](const auto& w) { return !w.first; });
    std::vector<QPointer<TQuery>> due;
    for (auto& [query, written] : writers_) {
        if (written > depth) {
            due.push_back(query);
            written = depth;
        }
    }
    if (depth == 0)
        writers_.clear();
    QString unread;
    for (const QPointer<TQuery>& q : due) {
        if (!q)
            continue;
        const QString failure = q->reread();
        if (unread.isEmpty())
            unread = failure;
    }
    return unread;
}

} // namespace platform
