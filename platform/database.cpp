#include "platform/database.h"

#include "platform/log_sink.h"

#include <sqlite3.h>

#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>

#include <algorithm>
#include <limits>
#include <utility>

namespace platform {

using enum TFieldType;
using enum TDataSetState;

namespace {

Database* currentDb = nullptr;                            // set by SetCurrent
std::function<std::unique_ptr<Database>()> defaultOpener; // set by SetDefaultOpener

// What the user reads when the engine fails: what happened to which file, then the engine's
// own words. Without a file name the connection's file is named.
EDatabaseError engineError(sqlite3* db, QString file = QString()) {
    static const char* const locked = "Die Datenbankdatei \"%1\" ist von einem anderen Programm gesperrt. "
                                      "Bitte später noch einmal versuchen.";
    static const char* const denied = "Der Zugriff auf die Datenbankdatei \"%1\" ist nicht erlaubt.";
    static const std::map<int, const char*> sentences = {
        {SQLITE_READONLY,
         "Die Datenbankdatei \"%1\" ist schreibgeschützt; Änderungen können nicht gespeichert werden."},
        {SQLITE_NOTADB, "Die Datei \"%1\" ist keine Datenbankdatei oder sie ist beschädigt."},
        {SQLITE_CORRUPT, "Die Datenbankdatei \"%1\" ist beschädigt."},
        {SQLITE_CANTOPEN, "Die Datenbankdatei \"%1\" kann nicht angelegt oder geöffnet werden. Gibt es das "
                          "Verzeichnis und darf das Programm darin schreiben?"},
        {SQLITE_BUSY, locked},
        {SQLITE_LOCKED, locked},
        {SQLITE_FULL, "Die Datenbankdatei \"%1\" kann nicht wachsen: der Datenträger ist voll."},
        {SQLITE_IOERR, "Die Datenbankdatei \"%1\" kann nicht gelesen oder geschrieben werden."},
        {SQLITE_PERM, denied},
        {SQLITE_AUTH, denied},
        {SQLITE_NOMEM, "Für die Datenbankdatei \"%1\" reicht der Arbeitsspeicher nicht."},
        {SQLITE_CONSTRAINT, "Die Datenbankdatei \"%1\" nimmt die Änderung nicht an."},
    };
    const int code = sqlite3_extended_errcode(db) & 0xff;
    const auto it = sentences.find(code);
    const char* sentence = it != sentences.end() ? it->second : "Fehler in der Datenbankdatei \"%1\".";
    if (file.isEmpty())
        file = QString::fromUtf8(sqlite3_db_filename(db, "main"));
    return EDatabaseError(QString::fromUtf8(sentence).arg(file) +
                              QStringLiteral("\nMeldung der Datenbank: ") +
                              QString::fromUtf8(sqlite3_errmsg(db)),
                          it != sentences.end() && code != SQLITE_CONSTRAINT);
}

QString quoted(const QString& identifier) {
    QString s = identifier;
    return QLatin1Char('"') + s.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

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

// The field type (and text width) a column's declared type stands for.
TFieldType typeOfDeclaration(const char* declType, int& size) {
    const QString t = QString::fromUtf8(declType).trimmed().toUpper();
    size = 0;
    if (t.startsWith(QLatin1String("VARCHAR")) || t.startsWith(QLatin1String("CHAR"))) {
        static const QRegularExpression width(QStringLiteral("\\((\\d+)\\)"));
        size = width.match(t).captured(1).toInt();
        return ftString;
    }
    static const std::map<QString, TFieldType> types = {{"TEXT", ftString},     {"SMALLINT", ftSmallint},
                                                        {"BOOLEAN", ftBoolean}, {"DATE", ftDate},
                                                        {"INTEGER", ftInteger}, {"INT", ftInteger}};
    const auto it = types.find(t);
    return it == types.end() ? ftUnknown : it->second;
}

QString cutToWidth(const QString& text, int width) {
    const auto chars = text.toUcs4();
    if (width <= 0 || chars.size() <= width)
        return text;
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.constData()), width);
}

// A stored value as a number: an empty field is 0. A file of another origin may hold any
// text, which must then be a number. what names the kind of value for the message.
qlonglong numberOf(const QVariant& v, const char* what, const QString& field) {
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::LongLong)
        return v.toLongLong();
    if (v.typeId() == QMetaType::Double)
        return qRound64(v.toDouble());
    const QString text = v.toString().trimmed();
    bool ok = text.isEmpty();
    const qlonglong n = ok ? 0 : text.toLongLong(&ok);
    if (!ok)
        throw EDatabaseError(QStringLiteral("'%1' ist kein gültiger %2 für Feld '%3'.")
                                 .arg(v.toString(), QString::fromUtf8(what), field));
    return n;
}

// Only a whole table's rows can be edited: select * from "table" [where ...] [order by ...].
// Gives the table and a statement that also reads each row's place in the file (its rowid).
QString liveForm(const QString& sql, QString& table) {
    static const QRegularExpression form(
        QStringLiteral(
            R"re(^\s*select\s+\*\s+from\s+(?:"([^"]+)"|([A-Za-z_][\w.]*))(\s+(?:where|order)\b.*|\s*)$)re"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = form.match(sql);
    if (!m.hasMatch())
        throw EDatabaseError(QStringLiteral("Die Ergebnismenge kann nicht bearbeitet werden."));
    table = m.captured(1).isEmpty() ? m.captured(2) : m.captured(1);
    return QStringLiteral("select rowid, * from ") + quoted(table) + m.captured(3);
}

// Each parameter given must be in the statement, and each one the statement names must be given.
void bindParameters(Statement& s, const std::map<QString, TParam>& params) {
    for (const auto& [name, param] : params)
        if (param.IsBound() &&
            sqlite3_bind_parameter_index(s.get(), (QLatin1Char(':') + name).toUtf8().constData()) == 0)
            throw EDatabaseError(QStringLiteral("Parameter '%1' nicht gefunden.").arg(name));
    for (int i = 1; i <= sqlite3_bind_parameter_count(s.get()); ++i) {
        const char* name = sqlite3_bind_parameter_name(s.get(), i);
        const auto it = name && name[0] == ':' ? params.find(QString::fromUtf8(name + 1)) : params.end();
        if (it == params.end() || !it->second.IsBound())
            throw EDatabaseError(QStringLiteral("Parameter '%1' hat keinen Wert.")
                                     .arg(name ? QString::fromUtf8(name + 1) : QString::number(i)));
        s.bind(i, it->second.Value());
    }
}

EDatabaseError invalidField(const QString& name) {
    return EDatabaseError(QStringLiteral("Feld \"%1\" ist ungültig oder fehlerhaft").arg(name));
}

// Sets place to value until the returned guard ends, also by an exception.
template <typename T> [[nodiscard]] auto setFor(T& place, T value) {
    return qScopeGuard([&place, old = std::exchange(place, std::move(value))] { place = old; });
}

} // namespace

EDatabaseError::EDatabaseError(const QString& message, bool ofTheFile)
    : std::runtime_error(message.toStdString()), message_(message), ofTheFile_(ofTheFile) {}

QString errorText(const std::exception& error) {
    const auto* db = dynamic_cast<const EDatabaseError*>(&error);
    return db ? db->Message() : QString::fromUtf8(error.what());
}

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
}

Database::~Database() {
    if (currentDb == this)
        currentDb = nullptr;
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

void Database::RunAtomically(const std::function<void()>& fn) {
    const QString name = QStringLiteral("gt_%1").arg(savepointDepth_);
    Execute(QStringLiteral("SAVEPOINT ") + name);
    try {
        const auto nested = setFor(savepointDepth_, savepointDepth_ + 1); // undone before catch runs
        fn();
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
        rereadWriters(sqlite3_get_autocommit(db_) ? 0 : savepointDepth_);
        throw;
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
void Database::rereadWriters(int depth) {
    std::vector<QPointer<TQuery>> due;
    for (auto it = writers_.begin(); it != writers_.end();) {
        if (it->first && it->second > depth)
            due.push_back(it->first);
        if (!it->first || (it->second > depth && depth == 0)) {
            it = writers_.erase(it);
            continue;
        }
        it->second = std::min(it->second, depth);
        ++it;
    }
    for (const QPointer<TQuery>& q : due)
        if (q)
            q->reread();
}

// Data values come first in a row, calculated ones after them; column_ is the place in it.
QVariant TField::raw() const {
    if (query_->validating_.first == this)
        return query_->validating_.second;
    const auto* row = query_->activeRow();
    return row && column_ >= 0 && size_t(column_) < row->values.size() ? row->values[size_t(column_)]
                                                                       : QVariant();
}

bool TField::IsNull() const {
    const QVariant v = raw();
    return v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isEmpty());
}

int32_t TField::AsInteger() const {
    return int32_t(std::clamp<qlonglong>(numberOf(raw(), "Integerwert", name_),
                                         std::numeric_limits<int32_t>::min(),
                                         std::numeric_limits<int32_t>::max()));
}

bool TField::AsBoolean() const {
    return numberOf(raw(), "Boolescher Wert", name_) != 0;
}

QDate TField::AsDate() const {
    const QVariant v = raw();
    const bool isText = v.typeId() == QMetaType::QString;
    if (v.isNull() || (isText && v.toString().trimmed().isEmpty()))
        return QDate();
    const QDate d = isText ? QDate::fromString(v.toString().trimmed(), Qt::ISODate) : QDate();
    if (!d.isValid())
        throw EDatabaseError(
            QStringLiteral("'%1' ist kein gültiges Datum für Feld '%2'.").arg(v.toString(), name_));
    return d;
}

QString TField::AsString() const {
    const QVariant v = raw();
    if (v.isNull())
        return QString();
    switch (type_) {
    case ftDate:
        return AsDate().toString(QStringLiteral("dd.MM.yyyy"));
    case ftBoolean:
        return AsBoolean() ? QStringLiteral("True") : QStringLiteral("False");
    case ftAutoInc:
    case ftInteger:
    case ftSmallint:
        return v.typeId() == QMetaType::QString ? v.toString() : QString::number(AsInteger());
    default:
        return v.toString();
    }
}

QString TField::DisplayText() const {
    return OnGetText ? OnGetText(const_cast<TField&>(*this)) : AsString();
}

void TField::store(QVariant value) {
    TQuery& q = *query_;
    if (!q.Active() || column_ < 0)
        throw EDatabaseError(QStringLiteral("Feld '%1': die Abfrage ist nicht geöffnet.").arg(name_));
    const auto fixed = [&] {
        return EDatabaseError(QStringLiteral("Feld '%1' kann nicht geändert werden.").arg(name_));
    };
    if (calculated_) {
        if (q.state_ != dsCalcFields)
            throw fixed();
        q.rows_[size_t(q.override_)].values[size_t(column_)] = std::move(value);
        return;
    }
    if (q.state_ != dsEdit && q.state_ != dsInsert)
        throw EDatabaseError(QStringLiteral("Die Abfrage ist nicht im Bearbeitungs- oder Einfügemodus."));
    if (readOnly_ || type_ == ftAutoInc)
        throw fixed();
    if (OnValidate) {
        const auto pending = setFor(q.validating_, {this, value});
        OnValidate(*this);
    }
    q.rows_[size_t(q.cur_)].values[size_t(column_)] = std::move(value);
    q.modified_ = true;
    if (q.autoCalcFields_)
        q.computeCalc(q.cur_);
    q.notify();
}

// A value goes only into a field of its own kind; no text stands in for a number or a date.
void TField::SetAsInteger(int32_t value) {
    if (type_ == ftDate || type_ == ftString)
        throw EDatabaseError(QStringLiteral("Feld '%1' nimmt keine Zahl an.").arg(name_));
    if (type_ == ftSmallint &&
        (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max()))
        throw EDatabaseError(
            QStringLiteral("%1 liegt außerhalb des Wertebereichs von Feld '%2'.").arg(value).arg(name_));
    store(qlonglong(type_ == ftBoolean ? value != 0 : value));
}

void TField::SetAsBoolean(bool value) {
    if (type_ == ftDate || type_ == ftString)
        throw EDatabaseError(QStringLiteral("Feld '%1' nimmt keinen Wahrheitswert an.").arg(name_));
    store(qlonglong(value ? 1 : 0));
}

// Dates are stored as yyyy-MM-dd.
void TField::SetAsDate(const QDate& value) {
    if (type_ != ftDate && type_ != ftUnknown)
        throw EDatabaseError(QStringLiteral("Feld '%1' ist kein Datum.").arg(name_));
    store(value.isValid() ? QVariant(value.toString(Qt::ISODate)) : QVariant());
}

void TField::SetAsString(const QString& value) {
    if (!value.isEmpty() && type_ != ftString && type_ != ftUnknown)
        throw EDatabaseError(QStringLiteral("Feld '%1' nimmt keinen Text an.").arg(name_));
    store(value.isEmpty() ? QVariant() : QVariant(cutToWidth(value, size_)));
}

// An open query keeps writing to the database it was opened on.
Database& TQuery::database() {
    if (Active() && openedOn_)
        return *openedOn_;
    return db_ ? *db_ : Database::Current();
}

void TQuery::requireInactive(const char* what) const {
    if (Active())
        throw EDatabaseError(QStringLiteral("%1 lässt sich nur bei geschlossener Abfrage ändern.")
                                 .arg(QString::fromLatin1(what)));
}

void TQuery::requireActive() const {
    if (!Active())
        throw EDatabaseError(QStringLiteral("Die Abfrage ist nicht geöffnet."));
}

void TQuery::requireBidirectional() const {
    requireActive();
    if (uniDirectional_)
        throw EDatabaseError(
            QStringLiteral("Diese Operation ist bei einer nur vorwärts lesbaren Abfrage nicht erlaubt."));
}

void TQuery::requireLive() const {
    requireActive();
    if (!live_)
        throw EDatabaseError(QStringLiteral("Die Ergebnismenge kann nicht bearbeitet werden."));
}

// A new text starts without parameter values; objects that callers hold stay valid.
void TQuery::SetSQL(const QStringList& lines) {
    requireInactive("Der SQL-Text");
    sql_ = lines;
    for (auto& [name, param] : params_)
        param = TParam(name);
}

// A name the statement lacks, or a parameter it names without a value, fails when it opens.
TParam& TQuery::ParamByName(const QString& name) {
    TParam& param = params_.try_emplace(name, name).first->second;
    param.bound_ = true;
    return param;
}

void TQuery::SetRequestLive(bool on) {
    requireInactive("RequestLive");
    requestLive_ = on;
}

void TQuery::SetUniDirectional(bool on) {
    requireInactive("UniDirectional");
    uniDirectional_ = on;
}

TField& TQuery::AddField(const QString& name, TFieldType type, int size) {
    requireInactive("Die Feldliste");
    if (FindField(name))
        throw EDatabaseError(QStringLiteral("Feld '%1' ist bereits vorhanden.").arg(name));
    fields_.push_back(std::unique_ptr<TField>(new TField(this, name, type, size, false)));
    fields_.back()->declared_ = true;
    return *fields_.back();
}

TField& TQuery::AddCalcField(const QString& name, TFieldType type, int size) {
    TField& field = AddField(name, type, size);
    field.calculated_ = true;
    return field;
}

// The result's columns become fields (declared ones where the names match), then the
// calculated fields follow. first skips a live result's rowid column.
void TQuery::bindFields(sqlite3_stmt* st, int first) {
    // A table whose INTEGER PRIMARY KEY stands for the rowid names that column as the rowid's
    // origin: it holds the auto-increment number.
    const char* rowidColumn = first ? sqlite3_column_origin_name(st, 0) : nullptr;
    columns_.clear();
    autoIncColumn_ = -1;
    for (auto& f : fields_)
        f->column_ = -1;
    std::vector<TField*> active;
    std::map<QString, int> seen;
    for (int i = first; i < sqlite3_column_count(st); ++i) {
        columns_.push_back(QString::fromUtf8(sqlite3_column_name(st, i)));
        int size = 0;
        TFieldType type = typeOfDeclaration(sqlite3_column_decltype(st, i), size);
        if (rowidColumn && qstrcmp(sqlite3_column_origin_name(st, i), rowidColumn) == 0) {
            autoIncColumn_ = int(active.size());
            type = ftAutoInc;
        }
        // A join may name a field twice: the later ones get "_1", "_2", ...
        QString name = columns_.back();
        if (const int n = seen[name.toLower()]++)
            name += QStringLiteral("_%1").arg(n);
        TField* field = nullptr;
        for (auto& f : fields_)
            if (!f->calculated_ && f->name_.compare(name, Qt::CaseInsensitive) == 0)
                field = f.get();
        const auto kind = [](TFieldType t) { return t == ftAutoInc ? ftInteger : t; };
        if (field && field->declared_ && field->type_ != ftUnknown && type != ftUnknown &&
            kind(field->type_) != kind(type))
            throw invalidField(field->name_);
        if (!field) {
            fields_.push_back(std::unique_ptr<TField>(new TField(this, name, type, size, false)));
            field = fields_.back().get();
        }
        // A declared field keeps what the result does not say.
        if (!field->declared_ || type != ftUnknown)
            field->type_ = type;
        if (!field->declared_ || size > 0)
            field->size_ = size;
        field->column_ = int(active.size());
        active.push_back(field);
    }
    for (auto& f : fields_) {
        if (f->calculated_) {
            f->column_ = int(active.size());
            active.push_back(f.get());
        } else if (f->declared_ && f->column_ < 0) {
            throw invalidField(f->name_);
        }
    }
    active_ = std::move(active);
}

// Runs the statement and reads its rows, calculated fields included; with rebind the result's
// columns become the fields.
void TQuery::fetch(bool rebind) {
    QString table;
    const QString sql = sql_.join(QLatin1Char('\n'));
    Statement s(database().Handle(), requestLive_ ? liveForm(sql, table) : sql);
    bindParameters(s, params_);
    const int first = requestLive_ ? 1 : 0;
    if (rebind) {
        table_ = table;
        live_ = requestLive_;
        bindFields(s.get(), first);
    }
    std::vector<Row> rows;
    while (s.step()) {
        Row row{nextRowId_++, first ? sqlite3_column_int64(s.get(), 0) : 0, {}, RowStatus::Unchanged};
        for (int i = first; i < sqlite3_column_count(s.get()); ++i)
            row.values.push_back(s.column(i));
        row.values.resize(active_.size());
        rows.push_back(std::move(row));
    }
    rows_ = std::move(rows);
    cachedDeletes_.clear();
    cur_ = rows_.empty() ? -1 : 0;
    eof_ = rows_.empty();
    bof_ = true;
    for (size_t i = 0; i < rows_.size(); ++i)
        computeCalc(int(i));
}

void TQuery::Open() {
    if (Active())
        return;
    openedOn_ = &database();
    fetch(true);
    state_ = dsBrowse;
    modified_ = false;
    if (AfterOpen)
        AfterOpen(*this);
    scrolled();
}

// The file took back a write that the rows show: they are read again as on reopening, standing
// on the same row where the file still holds it, else on the first. Rows that cannot be read
// again are not shown at all. Never throws: it runs while a failure is on its way.
void TQuery::reread() {
    if (!Active())
        return;
    const int64_t rowid = cur_ >= 0 && size_t(cur_) < rows_.size() ? rows_[size_t(cur_)].rowid : 0;
    state_ = dsBrowse; // an unposted edit goes, as on closing
    modified_ = false;
    try {
        fetch(false);
    } catch (...) {
        Close();
        return;
    }
    const auto it = std::find_if(rows_.begin(), rows_.end(),
                                 [&](const Row& r) { return rowid != 0 && r.rowid == rowid; });
    if (it != rows_.end()) {
        cur_ = int(it - rows_.begin());
        bof_ = cur_ == 0;
    }
    try {
        if (AfterOpen)
            AfterOpen(*this);
        if (AfterScroll)
            AfterScroll(*this);
    } catch (...) {
        // the rows are the file's again; a handler reports its own failures
    }
    notify();
}

void TQuery::Close() {
    if (!Active())
        return;
    state_ = dsInactive;
    rows_.clear();
    cachedDeletes_.clear();
    active_.clear();
    cur_ = -1;
    eof_ = bof_ = true;
    modified_ = false;
    notify();
}

const TQuery::Row* TQuery::activeRow() const {
    const int i = override_ >= 0 ? override_ : cur_;
    return i >= 0 && size_t(i) < rows_.size() ? &rows_[size_t(i)] : nullptr;
}

void TQuery::WithRow(int row, const std::function<void()>& fn) {
    if (row < 0 || size_t(row) >= rows_.size())
        throw EDatabaseError(QStringLiteral("Zeile %1 gibt es nicht.").arg(row + 1));
    const auto guard = setFor(override_, row);
    fn();
}

void TQuery::computeCalc(int index) {
    if (!OnCalcFields || index < 0 || size_t(index) >= rows_.size() || active_.size() == columns_.size())
        return;
    auto& values = rows_[size_t(index)].values;
    std::fill(values.begin() + std::ptrdiff_t(columns_.size()), values.end(), QVariant());
    const auto row = setFor(override_, index);
    const auto state = setFor(state_, dsCalcFields);
    OnCalcFields(*this);
}

void TQuery::notify() {
    if (disableCount_ > 0)
        pendingNotify_ = true;
    else
        emit DataChanged();
}

void TQuery::scrolled() {
    if (AfterScroll)
        AfterScroll(*this);
    notify();
}

void TQuery::checkBrowseMode() {
    requireActive();
    if (state_ == dsEdit || state_ == dsInsert) {
        emit UpdateRecord();
        if (modified_)
            Post();
        else
            Cancel();
    }
}

void TQuery::moveTo(int row, bool bof, bool eof) {
    cur_ = row;
    bof_ = bof;
    eof_ = eof;
    scrolled();
}

void TQuery::First() {
    checkBrowseMode();
    if (cur_ > 0)
        requireBidirectional();
    moveTo(rows_.empty() ? -1 : 0, true, rows_.empty());
}

void TQuery::Last() {
    requireBidirectional();
    checkBrowseMode();
    moveTo(int(rows_.size()) - 1, rows_.empty(), rows_.empty());
}

// The end a move runs into is flagged; the other end's flag is cleared.
int TQuery::MoveBy(int distance) {
    if (distance < 0)
        requireBidirectional();
    checkBrowseMode();
    if (distance == 0 || (distance > 0 && eof_) || (distance < 0 && bof_))
        return 0;
    const int target = std::clamp(cur_ + distance, 0, int(rows_.size()) - 1);
    const int moved = target - cur_;
    moveTo(target, distance < 0 && moved > distance, distance > 0 && moved < distance);
    return moved;
}

bool TQuery::Locate(const QString& fieldName, int32_t value) {
    requireBidirectional();
    checkBrowseMode();
    TField& field = FieldByName(fieldName);
    for (int i = 0; i < int(rows_.size()); ++i) {
        bool match = false;
        WithRow(i, [&] {
            try {
                match = !field.IsNull() && field.AsInteger() == value;
            } catch (const EDatabaseError&) {
                // a value that is no number matches no number
            }
        });
        if (match) {
            moveTo(i, false, false);
            return true;
        }
    }
    return false;
}

TField* TQuery::FindField(const QString& name) {
    for (TField* f : Fields())
        if (f->name_.compare(name, Qt::CaseInsensitive) == 0)
            return f;
    return nullptr;
}

TField& TQuery::FieldByName(const QString& name) {
    if (TField* f = FindField(name))
        return *f;
    throw EDatabaseError(QStringLiteral("Feld '%1' nicht gefunden.").arg(name));
}

// Open: the result's fields, then the calculated ones. Closed: the declared fields.
std::vector<TField*> TQuery::Fields() const {
    if (Active())
        return active_;
    std::vector<TField*> declared;
    for (auto& f : fields_)
        if (f->declared_)
            declared.push_back(f.get());
    return declared;
}

void TQuery::beginInsert(bool append) {
    requireLive();
    checkBrowseMode();
    Row row{nextRowId_++, 0, std::vector<QVariant>(active_.size()), RowStatus::Inserted};
    insertReturn_ = cur_;
    const int pos = append || cur_ < 0 ? int(rows_.size()) : cur_;
    rows_.insert(rows_.begin() + pos, std::move(row));
    cur_ = pos;
    state_ = dsInsert;
    modified_ = false;
    eof_ = bof_ = false;
    computeCalc(cur_);
    notify();
    if (AfterInsert)
        AfterInsert(*this);
}

void TQuery::Edit() {
    requireLive();
    if (state_ == dsEdit || state_ == dsInsert)
        return;
    if (rows_.empty()) {
        Insert();
        return;
    }
    editBackup_ = rows_[size_t(cur_)];
    state_ = dsEdit;
    modified_ = false;
    notify();
}

// A new row gets its auto-increment number from the file (NULL asks for the next one); a
// changed row must still be there. The row changes only when the statement succeeded.
void TQuery::writeToFile(Row& row) {
    sqlite3* h = database().Handle();
    const bool isNew = row.status == RowStatus::Inserted;
    QStringList names;
    for (const QString& column : columns_)
        names << quoted(column);
    Statement s(h, (isNew ? QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                          : QStringLiteral("UPDATE %1 SET (%2) = (%3) WHERE rowid = ?"))
                       .arg(quoted(table_), names.join(QLatin1Char(',')),
                            QStringList(names.size(), QStringLiteral("?")).join(QLatin1Char(','))));
    for (int i = 0; i < int(columns_.size()); ++i)
        s.bind(i + 1, isNew && i == autoIncColumn_ ? QVariant() : row.values[size_t(i)]);
    if (!isNew)
        s.bind(int(columns_.size()) + 1, qlonglong(row.rowid));
    s.step();
    if (!isNew && sqlite3_changes(h) != 1)
        throw EDatabaseError(
            QStringLiteral("Der Datensatz ist in der Tabelle %1 nicht mehr vorhanden.").arg(table_));
    if (isNew) {
        row.rowid = sqlite3_last_insert_rowid(h);
        if (autoIncColumn_ >= 0)
            row.values[size_t(autoIncColumn_)] = qlonglong(row.rowid);
    }
    row.status = RowStatus::Unchanged;
}

void TQuery::deleteFromFile(int64_t rowid) {
    Statement s(database().Handle(), QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoted(table_)));
    s.bind(1, qlonglong(rowid));
    s.step();
}

void TQuery::Post() {
    requireActive();
    if (state_ != dsEdit && state_ != dsInsert)
        return;
    emit UpdateRecord();
    if (BeforePost)
        BeforePost(*this);
    Row& row = rows_[size_t(cur_)];
    if (!cachedUpdates_) {
        writeToFile(row);
        database().noteWrite(*this);
    } else if (row.status != RowStatus::Inserted)
        row.status = RowStatus::Modified;
    state_ = dsBrowse;
    modified_ = false;
    computeCalc(cur_);
    notify();
}

void TQuery::Cancel() {
    if (state_ == dsInsert) {
        rows_.erase(rows_.begin() + cur_);
        cur_ = rows_.empty() ? -1 : std::clamp(insertReturn_, 0, int(rows_.size()) - 1);
        eof_ = bof_ = rows_.empty();
    } else if (state_ == dsEdit) {
        rows_[size_t(cur_)] = editBackup_;
    } else {
        return;
    }
    state_ = dsBrowse;
    modified_ = false;
    notify();
}

void TQuery::Delete() {
    requireLive();
    const bool inserting = state_ == dsInsert;
    Cancel();
    if (inserting)
        return;
    if (rows_.empty())
        throw EDatabaseError(QStringLiteral("Löschen nicht möglich: die Ergebnismenge ist leer."));
    bool emptied = false;
    const auto body = [&] {
        if (BeforeDelete)
            BeforeDelete(*this);
        emptied = cur_ < 0 || size_t(cur_) >= rows_.size(); // the handler emptied the result itself
        const int64_t rowid = emptied ? 0 : rows_[size_t(cur_)].rowid; // 0: a row only cached
        if (rowid != 0 && cachedUpdates_)
            cachedDeletes_.push_back(rowid);
        else if (rowid != 0)
            deleteFromFile(rowid);
    };
    // What the before-delete handler deletes along with the row (a cascade) is kept only
    // together with the row's own deletion.
    if (cachedUpdates_) {
        body();
    } else {
        database().RunAtomically(body);
        database().noteWrite(*this);
    }
    if (emptied)
        return;
    rows_.erase(rows_.begin() + cur_);
    eof_ = size_t(cur_) >= rows_.size();
    if (eof_)
        cur_ = int(rows_.size()) - 1;
    bof_ = rows_.empty();
    if (AfterDelete)
        AfterDelete(*this);
    scrolled();
}

void TQuery::SetCachedUpdates(bool on) {
    if (on == cachedUpdates_)
        return;
    if (!on)
        CancelUpdates();
    cachedUpdates_ = on;
}

bool TQuery::UpdatesPending() const {
    return !cachedDeletes_.empty() || std::any_of(rows_.begin(), rows_.end(), [](const Row& r) {
        return r.status != RowStatus::Unchanged;
    });
}

void TQuery::ApplyUpdates() {
    requireActive();
    if (!cachedUpdates_)
        return;
    checkBrowseMode();
    if (!UpdatesPending())
        return;
    // Written copies replace the cached rows only when the whole transaction held.
    std::vector<std::pair<size_t, Row>> written;
    database().RunAtomically([&] {
        for (int64_t rowid : cachedDeletes_)
            deleteFromFile(rowid);
        for (size_t i = 0; i < rows_.size(); ++i) {
            if (rows_[i].status != RowStatus::Unchanged) {
                written.emplace_back(i, rows_[i]);
                writeToFile(written.back().second);
            }
        }
    });
    cachedDeletes_.clear();
    for (auto& [index, row] : written) {
        rows_[index] = std::move(row);
        computeCalc(int(index));
    }
    database().noteWrite(*this);
    notify();
}

void TQuery::CancelUpdates() {
    if (!Active())
        return;
    Cancel();
    if (!UpdatesPending())
        return;
    fetch(false);
    notify();
}

int TQuery::rowOf(const TBookmark& bookmark) const {
    const auto it = std::find_if(rows_.begin(), rows_.end(),
                                 [&](const Row& r) { return bookmark.valid() && r.id == bookmark.row; });
    return it == rows_.end() ? -1 : int(it - rows_.begin());
}

TBookmark TQuery::GetBookmark() const {
    return Active() && cur_ >= 0 ? TBookmark{rows_[size_t(cur_)].id} : TBookmark{};
}

void TQuery::GotoBookmark(const TBookmark& bookmark) {
    requireBidirectional();
    checkBrowseMode();
    const int row = rowOf(bookmark);
    if (row < 0)
        throw EDatabaseError(QStringLiteral("Datensatz nicht gefunden."));
    moveTo(row, false, false);
}

void TQuery::EnableControls() {
    if (disableCount_ > 0 && --disableCount_ == 0 && pendingNotify_) {
        pendingNotify_ = false;
        emit DataChanged();
    }
}

} // namespace platform
