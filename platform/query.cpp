#include "platform/query.h"

#include "platform/error_report.h"
#include "platform/log_sink.h"
#include "platform/set_for.h"
#include "platform/statement.h"

#include <sqlite3.h>

#include <QRegularExpression>
#include <QScopeGuard>

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

namespace platform {

using enum TFieldType;
using enum TDataSetState;

namespace {

QString quoted(const QString& identifier) {
    QString s = identifier;
    return QLatin1Char('"') + s.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString cutToWidth(const QString& text, int width) {
    const auto chars = text.toUcs4();
    if (width <= 0 || chars.size() <= width)
        return text;
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.constData()), width);
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

// The log line of a handler that failed after the rows were read again.
std::string rereadNote(const QString& table) {
    return QStringLiteral("Tabelle %1 neu gelesen, Ereignis fehlgeschlagen").arg(table).toStdString();
}

} // namespace

// Data values come first in a row, calculated ones after them; column_ is the place in it.
QVariant TField::raw() const {
    if (query_->validating_.first == this)
        return query_->validating_.second;
    const auto* row = query_->activeRow();
    return row && column_ >= 0 && size_t(column_) < row->values.size() ? row->values[size_t(column_)]
                                                                       : QVariant();
}

bool TField::IsNull() const {
    return storedIsNull(raw());
}

int32_t TField::AsInteger() const {
    return storedInteger(raw(), name_);
}

bool TField::AsBoolean() const {
    return storedBoolean(raw(), name_);
}

QDate TField::AsDate() const {
    return storedDate(raw(), name_);
}

QString TField::AsString() const {
    return storedText(raw(), type_, name_);
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
    const std::vector<QString> names = fieldNames(st, first);
    for (int i = first; i < sqlite3_column_count(st); ++i) {
        columns_.push_back(QString::fromUtf8(sqlite3_column_name(st, i)));
        int size = 0;
        TFieldType type = typeOfDeclaration(sqlite3_column_decltype(st, i), size);
        if (rowidColumn && qstrcmp(sqlite3_column_origin_name(st, i), rowidColumn) == 0) {
            autoIncColumn_ = int(active.size());
            type = ftAutoInc;
        }
        const QString& name = names[size_t(i - first)];
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
// again are not shown at all: the query closes and gives why. Never throws: it runs while a
// failure is on its way.
QString TQuery::reread() {
    if (!Active())
        return {};
    const int64_t rowid = cur_ >= 0 && size_t(cur_) < rows_.size() ? rows_[size_t(cur_)].rowid : 0;
    state_ = dsBrowse; // an unposted edit goes, as on closing
    modified_ = false;
    try {
        fetch(false);
    } catch (const std::exception& e) {
        Close();
        return errorText(e);
    } catch (...) {
        Close();
        return QStringLiteral("Unbekannter Fehler");
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
    } catch (const std::exception& e) {
        // The rows are the file's again; only the handler's own work is missing.
        logFailure(rereadNote(table_), e);
    } catch (...) {
        logFailure(rereadNote(table_), std::runtime_error("Unbekannter Fehler"));
    }
    notify();
    return {};
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
    database().RequireUnitOpen();
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
    database().RequireUnitOpen();
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
    // The mode ends even when dropping the cache fails: the query is closed then, and a later
    // opening must write straight through again.
    const auto off = qScopeGuard([this, on] { cachedUpdates_ = on; });
    if (!on)
        CancelUpdates();
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
    // Rows only the cache held must not stay in sight when the file cannot be read: taken over
    // from there, they would be stored although the file never held them.
    try {
        fetch(false);
    } catch (const std::exception& e) {
        Close();
        const auto* error = dynamic_cast<const EDatabaseError*>(&e);
        throw EDatabaseError(listNotReadAgainText(errorText(e)), error && error->OfTheFile());
    }
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
