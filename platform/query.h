#pragma once

#include "platform/database.h"
#include "platform/stored_value.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

struct sqlite3_stmt;

namespace platform {

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsCalcFields };

// One field of a query, addressed by name. An empty field reads as 0, false, an invalid
// date or empty text. Reads and writes go to the query's current row.
class TField {
public:
    using TFieldNotifyEvent = std::function<void(TField& sender)>;
    using TFieldGetTextEvent = std::function<QString(TField& sender)>;

    const QString& FieldName() const { return name_; }
    TFieldType DataType() const { return type_; }
    // Width of a text field in characters; 0 for other types.
    int Size() const { return size_; }
    bool Calculated() const { return calculated_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on) { readOnly_ = on; }
    TQuery& DataSet() const { return *query_; }

    bool IsNull() const;
    int32_t AsInteger() const;
    bool AsBoolean() const;
    QDate AsDate() const;
    QString AsString() const;
    // The text shown for the value: OnGetText when set, else AsString.
    QString DisplayText() const;

    // Writers need the query in edit or insert state (calculated fields: inside OnCalcFields).
    // A text is cut to the field's width; an empty text empties the field.
    void SetAsInteger(int32_t value);
    void SetAsBoolean(bool value);
    void SetAsDate(const QDate& value);
    // For text fields; other fields take their typed writers (the controls turn what a user
    // types into a value).
    void SetAsString(const QString& value);
    void Clear() { store(QVariant()); }

    // Runs when a new value is set; while it runs the field reads the new value. A handler
    // that throws refuses the value and the field keeps its old one.
    TFieldNotifyEvent OnValidate;
    TFieldGetTextEvent OnGetText;

private:
    friend class TQuery;
    TField(TQuery* query, QString name, TFieldType type, int size, bool calculated)
        : query_(query), name_(std::move(name)), type_(type), size_(size), calculated_(calculated) {}
    QVariant raw() const;
    void store(QVariant value);

    TQuery* query_;
    QString name_;
    TFieldType type_;
    int size_;
    bool calculated_;
    bool readOnly_ = false;
    bool declared_ = false;
    int column_ = -1;
};

// A named parameter of the SQL text (":Name").
class TParam {
public:
    explicit TParam(QString name) : name_(std::move(name)) {}
    const QString& Name() const { return name_; }
    void SetAsInteger(int32_t value) { value_ = qlonglong(value); }
    void SetAsString(const QString& value) { value_ = value; }
    void Clear() { value_ = QVariant(); }
    const QVariant& Value() const { return value_; }
    bool IsBound() const { return bound_; }

private:
    friend class TQuery;
    QString name_;
    QVariant value_;
    bool bound_ = false;
};

// A place in a query's result to come back to.
struct TBookmark {
    uint64_t row = 0;
    bool valid() const { return row != 0; }
};

// A query over the database: SQL text as lines, named parameters, a live (editable) or
// read-only result read into memory when opened, a current row, calculated fields and
// the events of a data set. All of it runs in the thread that owns the query.
class TQuery : public QObject {
    Q_OBJECT
public:
    using TDataSetNotifyEvent = std::function<void(TQuery& dataSet)>;

    // Without a database the query uses Database::Current() when it opens.
    explicit TQuery(QObject* owner = nullptr, Database* db = nullptr) : QObject(owner), db_(db) {}
    ~TQuery() override = default;

    // SQL text.
    const QStringList& SQL() const { return sql_; }
    void SQLClear() { SetSQL({}); }
    void SQLAdd(const QString& line) { SetSQL(sql_ + QStringList{line}); }
    void SetSQL(const QStringList& lines);

    // A parameter of the SQL text (":Name", names as written). Opening fails when a parameter
    // given here is not in the text, or one of the text has no value.
    TParam& ParamByName(const QString& name);

    // Switches, set while closed. Live: the result can be edited (a statement of the form
    // select * from "table" ...). Forward-only: First at opening and Next only.
    // AutoCalcFields: calculated fields also follow every field change while editing;
    // off, they are computed only when rows are read.
    bool RequestLive() const { return requestLive_; }
    void SetRequestLive(bool on);
    bool UniDirectional() const { return uniDirectional_; }
    void SetUniDirectional(bool on);
    bool AutoCalcFields() const { return autoCalcFields_; }
    void SetAutoCalcFields(bool on) { autoCalcFields_ = on; }

    // Field objects that exist while the query is closed and keep their events. A declared
    // data field the result lacks, or holds with another type, makes opening fail.
    TField& AddField(const QString& name, TFieldType type, int size = 0);
    TField& AddCalcField(const QString& name, TFieldType type, int size = 0);

    // Open runs the statement and stands on the first row; opening an open query does
    // nothing. Close drops an unposted edit and any unapplied cached changes.
    void Open();
    void Close();
    bool Active() const { return state_ != TDataSetState::dsInactive; }
    TDataSetState State() const { return state_; }
    bool CanModify() const { return Active() && live_; }
    // A row being edited or inserted has had a field set.
    bool Modified() const { return modified_; }

    // Moving. Eof: the result is empty or a Next found no further row. Bof: the result is
    // empty or the cursor stands on the first row after First, Prior or opening.
    // A move first posts a changed row being edited, or cancels an unchanged one.
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    int MoveBy(int distance);
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    int RecordCount() const { return Active() ? int(rows_.size()) : 0; }
    // Place of the current row from 1; 0 when there is none.
    int RecNo() const { return Active() && cur_ >= 0 ? cur_ + 1 : 0; }
    // Finds the first row whose field equals value and makes it current; false (and the
    // position kept) when there is none.
    bool Locate(const QString& fieldName, int32_t value);

    // Fields of the current row. FieldByName throws for an unknown name.
    TField& FieldByName(const QString& name);
    TField* FindField(const QString& name);
    std::vector<TField*> Fields() const;

    // Editing a live result.
    void Append() { beginInsert(true); }
    void Insert() { beginInsert(false); }
    void Edit();
    void Post();
    void Cancel();
    // Runs BeforeDelete and deletes the row as one unit: when either fails, nothing that
    // the handler wrote is kept.
    void Delete();

    // Cached updates: posted changes are held back until ApplyUpdates writes them in one
    // transaction (an error writes nothing and keeps the cache); CancelUpdates drops them by
    // reading the rows again, and closes the query when they cannot be read (the failure on its
    // way says so). Switching the mode off drops whatever was not applied; the mode ends even
    // when that fails.
    bool CachedUpdates() const { return cachedUpdates_; }
    void SetCachedUpdates(bool on);
    void ApplyUpdates();
    void CancelUpdates();
    bool UpdatesPending() const;

    TBookmark GetBookmark() const;
    // Throws when the row is gone.
    void GotoBookmark(const TBookmark& bookmark);
    void FreeBookmark(TBookmark& bookmark) { bookmark = TBookmark{}; }
    bool BookmarkValid(const TBookmark& bookmark) const { return rowOf(bookmark) >= 0; }

    // While disabled (counted), bound controls are not told about moves and changes.
    void DisableControls() { ++disableCount_; }
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }

    // For bound controls: runs fn with row (from 0) standing in for the current row,
    // without moving the cursor or running any event.
    void WithRow(int row, const std::function<void()>& fn);

    // Events, run at once in the owning thread.
    TDataSetNotifyEvent AfterOpen;
    TDataSetNotifyEvent AfterInsert;
    TDataSetNotifyEvent AfterDelete;
    TDataSetNotifyEvent AfterScroll;
    TDataSetNotifyEvent BeforeDelete;
    TDataSetNotifyEvent BeforePost;
    TDataSetNotifyEvent OnCalcFields;

signals:
    // The rows, the current row or its values changed (not sent while controls are disabled).
    void DataChanged();
    // Bound controls are to write what they hold into their fields (before a post).
    void UpdateRecord();

private:
    friend class Database;
    friend class TField;
    enum class RowStatus { Unchanged, Inserted, Modified };
    struct Row {
        uint64_t id = 0;              // identity within this opening (bookmarks)
        int64_t rowid = 0;            // the row in the file; 0 while only cached
        std::vector<QVariant> values; // data columns, then calculated fields
        RowStatus status = RowStatus::Unchanged;
    };

    Database& database();
    void requireInactive(const char* what) const;
    void requireActive() const;
    void requireBidirectional() const;
    void requireLive() const;
    void checkBrowseMode();
    void bindFields(sqlite3_stmt* st, int first);
    void fetch(bool rebind);
    void computeCalc(int index);
    void moveTo(int row, bool bof, bool eof);
    void scrolled();
    void notify();
    const Row* activeRow() const;
    int rowOf(const TBookmark& bookmark) const;
    void writeToFile(Row& row);
    void deleteFromFile(int64_t rowid);
    void beginInsert(bool append);
    // Why the rows could not be read again (the query is then closed); empty when they were.
    QString reread();

    Database* db_;
    Database* openedOn_ = nullptr;
    QStringList sql_;
    std::map<QString, TParam> params_; // a map keeps what ParamByName handed out in place
    bool requestLive_ = false;
    bool uniDirectional_ = false;
    bool autoCalcFields_ = true;
    bool cachedUpdates_ = false;

    std::vector<std::unique_ptr<TField>> fields_;
    std::vector<TField*> active_; // fields of the open result, data fields then calculated
    QString table_;               // the live table
    std::vector<QString> columns_;
    int autoIncColumn_ = -1;
    bool live_ = false;

    std::vector<Row> rows_;
    std::vector<int64_t> cachedDeletes_;
    int cur_ = -1;
    int override_ = -1; // WithRow
    bool eof_ = true;
    bool bof_ = true;
    TDataSetState state_ = TDataSetState::dsInactive;
    bool modified_ = false;
    Row editBackup_;
    int insertReturn_ = -1;
    uint64_t nextRowId_ = 1;
    int disableCount_ = 0;
    bool pendingNotify_ = false;
    std::pair<TField*, QVariant> validating_{nullptr, QVariant()}; // a value OnValidate is shown
};

// While it lives, the bound controls of a query do not follow its changes; they catch up once
// when it ends.
class TControlsHeld {
public:
    explicit TControlsHeld(TQuery& query) : query_(query) { query_.DisableControls(); }
    ~TControlsHeld() { query_.EnableControls(); }
    TControlsHeld(const TControlsHeld&) = delete;
    TControlsHeld& operator=(const TControlsHeld&) = delete;

private:
    TQuery& query_;
};

} // namespace platform
