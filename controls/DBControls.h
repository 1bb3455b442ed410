#pragma once

// Controls bound to the fields of a query through a data source: edit, memo and text; the grid
// and the navigator bind to it in DBGrid.h and DBNavigator.h. LEDs and check indicators bind to
// the same data source through FieldLink.h.

#include "controls/Edits.h"
#include "controls/FieldLink.h"
#include "platform/query.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>

#include <functional>

// Writes what a user typed into a field of any type: dates as d.M.yyyy (or yyyy-MM-dd),
// Boolean values as ja/nein, numbers in digits; an empty text empties the field. A text that
// is no value of the field's type throws EDatabaseError with a German message.
void SetFieldText(platform::TField& field, const QString& text);

// A user may write into the field: the query is open and live, the field neither read-only,
// calculated nor auto-incremented.
bool fieldEditable(const platform::TQuery* query, const platform::TField* field);

// The field's display text as the bound controls show it; none without a field.
QString fieldText(const platform::TField* field);

// Connects a query to its bound controls.
class TDataSource : public TFieldSource {
    Q_OBJECT
public:
    explicit TDataSource(QObject* owner = nullptr);

    platform::TQuery* DataSet() const { return dataSet_.data(); }
    void SetDataSet(platform::TQuery* query);
    // The named field of the open query, else nullptr.
    platform::TField* Field(const QString& name) const;

    std::optional<TFieldValue> FieldValue(const QString& fieldName) const override;

signals:
    // Bound editors write what they hold into their fields.
    void UpdateRecord();

private:
    QPointer<platform::TQuery> dataSet_;
    QMetaObject::Connection changed_;
    QMetaObject::Connection update_;
};

// What a bound editor shares: its data link and the writing of its text into the field.
class TDBEditLink {
public:
    TDBEditLink(QWidget* control, std::function<void()> onDataChange, std::function<QString()> text);
    ~TDBEditLink();
    TDBEditLink(const TDBEditLink&) = delete;
    TDBEditLink& operator=(const TDBEditLink&) = delete;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    const QString& DataField() const { return link_.FieldName(); }
    void SetDataField(const QString& name) { link_.SetFieldName(name); }
    platform::TField* Field() const;
    bool Editable() const;

    // The user typed: the query goes into edit state. False (and a message) when it cannot.
    bool BeginTyping();
    // Writes the typed text into the field; false (and a message) when the field refuses it.
    bool Commit();
    bool Dirty() const { return dirty_; }
    void Reset() { dirty_ = false; }

private:
    QWidget* control_;
    std::function<QString()> text_;
    TFieldDataLink link_;
    QMetaObject::Connection update_;
    bool dirty_ = false;
};

// A one-line edit of a field. Typing puts the query into edit state; the text goes into
// the field when the focus moves to another control or the query posts.
class TDBEdit : public QLineEdit {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TDBEdit& sender)>;
    explicit TDBEdit(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    QString DataField() const { return link_.DataField(); }
    void SetDataField(const QString& name) { link_.SetDataField(name); }
    platform::TField* Field() const { return link_.Field(); }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on);

    TNotifyEvent OnExit;

    void DataChange();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TDBEditLink link_;
    bool readOnly_ = false;
    bool loading_ = false;
};

// A multi-line edit of a text field, with the same rules as TDBEdit. Like the edit it takes
// no more characters than the field holds: what is typed or pasted beyond that is dropped.
class TDBMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TDBMemo& sender)>;
    explicit TDBMemo(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    QString DataField() const { return link_.DataField(); }
    void SetDataField(const QString& name) { link_.SetDataField(name); }
    platform::TField* Field() const { return link_.Field(); }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on);

    // The field's width in characters; 0 for no limit.
    int MaxLength() const { return maxLength_; }

    TNotifyEvent OnExit;

    void DataChange();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void keepWithinWidth();

    TDBEditLink link_;
    bool readOnly_ = false;
    bool loading_ = false;
    bool trimming_ = false;
    int maxLength_ = 0;
    int insertStart_ = 0; // the last change of the text put characters here
    int insertEnd_ = 0;
};

// The display text of a field, not editable.
class TDBText : public QLabel {
    Q_OBJECT
public:
    explicit TDBText(QWidget* parent = nullptr);

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    QString DataField() const { return link_.FieldName(); }
    void SetDataField(const QString& name) { link_.SetFieldName(name); }

    void DataChange();

private:
    TFieldDataLink link_;
};
