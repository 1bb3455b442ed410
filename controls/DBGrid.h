#pragma once

#include "controls/DBControls.h"

#include <QPointer>
#include <QStringList>
#include <QTableView>

#include <vector>

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
