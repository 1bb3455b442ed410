#pragma once

// Controls bound to the fields of a query through a data source: edit, memo, text, grid and
// navigator. LEDs and check indicators bind to the same data source through FieldLink.h.

#include "controls/Edits.h"
#include "controls/FieldLink.h"
#include "platform/query.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStringList>
#include <QTableView>
#include <QWidget>

#include <functional>
#include <set>
#include <vector>

class QToolButton;

// Writes what a user typed into a field of any type: dates as d.M.yyyy (or yyyy-MM-dd),
// Boolean values as ja/nein, numbers in digits; an empty text empties the field. A text that
// is no value of the field's type throws EDatabaseError with a German message.
void SetFieldText(platform::TField& field, const QString& text);

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

// One column of a grid. Width -1 takes the grid's default. A column is never narrower than
// its title and its FixedTexts need in the grid's font.
struct TColumn {
    TColumn() = default;
    TColumn(QString fieldName, QString title = QString(),
            TAlignment titleAlignment = TAlignment::taLeftJustify,
            TAlignment alignment = TAlignment::taLeftJustify, int width = -1, bool visible = true,
            bool readOnly = false)
        : FieldName(std::move(fieldName)), Title(std::move(title)), TitleAlignment(titleAlignment),
          Alignment(alignment), Width(width), Visible(visible), ReadOnly(readOnly) {}

    QString FieldName;
    QString Title; // empty: the field's name
    TAlignment TitleAlignment = TAlignment::taLeftJustify;
    TAlignment Alignment = TAlignment::taLeftJustify;
    int Width = -1;
    bool Visible = true;
    bool ReadOnly = false;
    // The texts the column's cells show by design ("ja", "nicht i.O.", "---").
    QStringList FixedTexts;
};

class TDBGridModel;

// The rows of a query in a table, one column per TColumn (every field when there is none).
// The current row follows the query both ways. With Editing on, a typed cell is written and
// posted at once; Insert inserts a row, Down on the last row appends one, Ctrl+Delete deletes
// the current row after "Datensatz löschen?".
class TDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    TDataSource* DataSource() const { return source_.data(); }
    void SetDataSource(TDataSource* source);

    const std::vector<TColumn>& Columns() const { return columns_; }
    void SetColumns(std::vector<TColumn> columns);
    void AddColumn(const TColumn& column);
    void ClearColumns();

    bool Editing() const { return editing_; }
    void SetEditing(bool on) { editing_ = on; }
    bool GridReadOnly() const { return readOnly_; }
    void SetGridReadOnly(bool on) { readOnly_ = on; }
    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool on);

    // Columns shown, in order (the visible ones).
    std::vector<TColumn> ShownColumns() const;
    // The shown text of a cell (row and shown column from 0).
    QString CellText(int row, int column) const;

    // Deletes the current row after the question, as Ctrl+Delete does.
    void DeleteCurrentRow();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class TDBGridModel;
    void dataChange();
    void applyWidths();
    void currentRowMoved(int row);

    QPointer<TDataSource> source_;
    QMetaObject::Connection changed_;
    TDBGridModel* model_;
    std::vector<TColumn> columns_;
    bool editing_ = true;
    bool readOnly_ = false;
    bool rowSelect_ = false;
    bool syncing_ = false;
    int shownRows_ = -1;
};

enum class TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete };

// Buttons that move through a query, insert a row and delete the current one; the delete
// asks "Datensatz löschen?" first.
class TDBNavigator : public QWidget {
    Q_OBJECT
public:
    explicit TDBNavigator(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return source_.data(); }
    void SetDataSource(TDataSource* source);
    void SetVisibleButtons(const std::set<TNavigateBtn>& buttons);
    bool ConfirmDelete() const { return confirmDelete_; }
    void SetConfirmDelete(bool on) { confirmDelete_ = on; }

    QToolButton* Button(TNavigateBtn button) const;
    // What a click on the button does.
    void BtnClick(TNavigateBtn button);

private:
    void dataChange();

    QPointer<TDataSource> source_;
    QMetaObject::Connection changed_;
    std::vector<QToolButton*> buttons_;
    bool confirmDelete_ = true;
};
