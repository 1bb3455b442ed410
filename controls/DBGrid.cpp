#include "controls/DBGrid.h"

#include "platform/error_report.h"
#include "platform/message_box.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>

using platform::TDataSetState;
using platform::TField;
using platform::TFieldType;
using platform::TQuery;

namespace {

Qt::Alignment qtAlignment(TAlignment alignment) {
    switch (alignment) {
    case TAlignment::taRightJustify:
        return Qt::AlignRight | Qt::AlignVCenter;
    case TAlignment::taCenter:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// The marker of the current row in the row indicator column.
QString rowMarker(TDataSetState state) {
    switch (state) {
    case TDataSetState::dsInsert:
        return QStringLiteral("*");
    case TDataSetState::dsEdit:
        return QStringLiteral("I");
    default:
        return QStringLiteral("▶");
    }
}

// The row indicator column is as wide as its widest marker, whichever one it shows, so that the
// columns beside it stay put when a row goes into edit or insert.
class TRowIndicator : public QHeaderView {
public:
    explicit TRowIndicator(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {
        setSectionsClickable(true);
        setHighlightSections(true);
    }

    QSize sizeHint() const override {
        QSize size = QHeaderView::sizeHint();
        QStyleOptionHeader option;
        initStyleOption(&option);
        // Measured as the header measures a section's text.
        QFont bold = font();
        bold.setBold(true);
        option.fontMetrics = QFontMetrics(bold);
        for (const TDataSetState state :
             {TDataSetState::dsBrowse, TDataSetState::dsInsert, TDataSetState::dsEdit}) {
            option.text = rowMarker(state);
            size.setWidth(std::max(
                size.width(),
                style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this).width()));
        }
        return size;
    }
};

} // namespace

// ---- TDBGrid

class TDBGridModel : public QAbstractTableModel {
public:
    explicit TDBGridModel(TDBGrid* grid) : QAbstractTableModel(grid), grid_(grid) {}

    void reset() {
        beginResetModel();
        shown_ = grid_->ShownColumns();
        const TQuery* q = query();
        rows_ = q ? q->RecordCount() : 0;
        endResetModel();
    }
    void refresh() {
        shown_ = grid_->ShownColumns();
        if (rowCount() > 0 && columnCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
        if (rowCount() > 0)
            emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    }

    TQuery* query() const {
        TDataSource* source = grid_->DataSource();
        TQuery* q = source ? source->DataSet() : nullptr;
        return q && q->Active() ? q : nullptr;
    }
    TField* field(int column) const {
        if (column < 0 || size_t(column) >= shown_.size())
            return nullptr;
        return grid_->DataSource()->Field(shown_[size_t(column)].FieldName);
    }
    const std::vector<TColumn>& shown() const { return shown_; }

    // The rows the view was last told of: while the query's controls are disabled it may hold
    // more or fewer, and the view must not meet rows it has not been told of.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : rows_;
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : int(shown_.size());
    }

    QString text(int row, int column) const {
        TQuery* q = query();
        TField* f = field(column);
        if (!q || !f || row < 0 || row >= q->RecordCount())
            return QString();
        QString out;
        q->WithRow(row, [&] { out = fieldText(f); });
        return out;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return QVariant();
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return text(index.row(), index.column());
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(qtAlignment(shown_[size_t(index.column())].Alignment));
        return QVariant();
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal) {
            if (section < 0 || size_t(section) >= shown_.size())
                return QVariant();
            const TColumn& c = shown_[size_t(section)];
            if (role == Qt::DisplayRole)
                return c.Title.isEmpty() ? c.FieldName : c.Title;
            if (role == Qt::TextAlignmentRole)
                return QVariant::fromValue(qtAlignment(c.TitleAlignment));
            return QVariant();
        }
        if (role != Qt::DisplayRole)
            return QVariant();
        const TQuery* q = query();
        if (!q || section != q->RecNo() - 1)
            return QString();
        return rowMarker(q->State());
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid())
            return Qt::NoItemFlags;
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (grid_->Editing() && !grid_->GridReadOnly() && !shown_[size_t(index.column())].ReadOnly &&
            fieldEditable(query(), field(index.column())))
            f |= Qt::ItemIsEditable;
        return f;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        TQuery* q = query();
        TField* f = field(index.column());
        if (role != Qt::EditRole || !q || !f || !(flags(index) & Qt::ItemIsEditable))
            return false;
        if (value.toString() == text(index.row(), index.column()))
            return false; // nothing typed
        const bool stored = platform::guarded([&] {
            if (q->RecNo() - 1 != index.row())
                q->MoveBy(index.row() - (q->RecNo() - 1));
            q->Edit();
            SetFieldText(*f, value.toString());
            q->Post();
        });
        if (!stored)
            q->Cancel();
        return stored;
    }

private:
    TDBGrid* grid_;
    std::vector<TColumn> shown_;
    int rows_ = 0;
};

namespace {

// Cell editors of text fields take no more characters than the field holds.
class TDBGridDelegate : public QStyledItemDelegate {
public:
    TDBGridDelegate(TDBGridModel* model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        const TField* f = model_->field(index.column());
        if (auto* line = qobject_cast<QLineEdit*>(editor);
            line && f && f->DataType() == TFieldType::ftString && f->Size() > 0)
            line->setMaxLength(f->Size());
        return editor;
    }

private:
    TDBGridModel* model_;
};

} // namespace

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), model_(new TDBGridModel(this)) {
    setVerticalHeader(new TRowIndicator(this));
    setModel(model_);
    setItemDelegate(new TDBGridDelegate(model_, this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    horizontalHeader()->setSectionsMovable(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { currentRowMoved(current.row()); });
}

TDBGrid::~TDBGrid() {
    disconnect(changed_);
}

void TDBGrid::SetDataSource(TDataSource* source) {
    if (source == source_)
        return;
    disconnect(changed_);
    source_ = source;
    if (source)
        changed_ = connect(source, &TFieldSource::DataChanged, this, [this] { dataChange(); });
    shownRows_ = -1;
    dataChange();
}

void TDBGrid::SetColumns(std::vector<TColumn> columns) {
    columns_ = std::move(columns);
    shownRows_ = -1;
    dataChange();
}

void TDBGrid::AddColumn(const TColumn& column) {
    columns_.push_back(column);
    shownRows_ = -1;
    dataChange();
}

void TDBGrid::ClearColumns() {
    columns_.clear();
    shownRows_ = -1;
    dataChange();
}

void TDBGrid::SetRowSelect(bool on) {
    rowSelect_ = on;
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

std::vector<TColumn> TDBGrid::ShownColumns() const {
    std::vector<TColumn> shown;
    if (columns_.empty()) {
        const TQuery* q = source_ ? source_->DataSet() : nullptr;
        if (q && q->Active())
            for (const TField* f : q->Fields())
                shown.emplace_back(f->FieldName());
        return shown;
    }
    for (const TColumn& c : columns_)
        if (c.Visible)
            shown.push_back(c);
    return shown;
}

QString TDBGrid::CellText(int row, int column) const {
    return model_->text(row, column);
}

// The designed widths were made for a narrower font: a column grows where this one needs more
// room for its title or a fixed text, measured as Qt sizes a header section and a cell.
void TDBGrid::applyWidths() {
    const auto& shown = model_->shown();
    QStyleOptionViewItem cell;
    initViewItemOption(&cell);
    cell.features |= QStyleOptionViewItem::HasDisplay;
    const int gridLine = showGrid() ? 1 : 0;
    for (size_t i = 0; i < shown.size(); ++i) {
        const int column = int(i);
        int width = shown[i].Width >= 0 ? shown[i].Width : horizontalHeader()->defaultSectionSize();
        width = std::max(width, horizontalHeader()->sectionSizeHint(column));
        for (const QString& text : shown[i].FixedTexts) {
            cell.text = text;
            width = std::max(
                width,
                style()->sizeFromContents(QStyle::CT_ItemViewItem, &cell, QSize(), this).width() + gridLine);
        }
        setColumnWidth(column, width);
    }
}

void TDBGrid::dataChange() {
    const TQuery* q = model_->query();
    const int rows = q ? q->RecordCount() : 0;
    syncing_ = true;
    if (rows != shownRows_ || int(ShownColumns().size()) != model_->columnCount()) {
        model_->reset();
        applyWidths();
        shownRows_ = rows;
    } else {
        model_->refresh();
    }
    if (q && q->RecNo() > 0) {
        const int column = std::max(currentIndex().column(), 0);
        if (model_->columnCount() > 0)
            setCurrentIndex(model_->index(q->RecNo() - 1, column));
    }
    syncing_ = false;
}

void TDBGrid::currentRowMoved(int row) {
    if (syncing_ || row < 0)
        return;
    TQuery* q = model_->query();
    if (!q)
        return;
    platform::guarded([&] {
        // Leaving an untouched new row drops it; the rows below it move up by one.
        if (q->State() == TDataSetState::dsInsert && !q->Modified()) {
            const int insertedAt = q->RecNo() - 1;
            q->Cancel();
            if (row > insertedAt)
                --row;
        }
        if (q->RecordCount() > 0 && row != q->RecNo() - 1)
            q->MoveBy(std::min(row, q->RecordCount() - 1) - (q->RecNo() - 1));
    });
    dataChange();
}

void TDBGrid::DeleteCurrentRow() {
    TQuery* q = model_->query();
    if (!q || !q->CanModify() || q->RecordCount() == 0 || readOnly_)
        return;
    if (platform::messageBox(QStringLiteral("Datensatz löschen?"), platform::MessageButtons::OkCancel,
                             platform::MessageIcon::Question) != platform::MessageResult::Ok)
        return;
    platform::guarded([q] { q->Delete(); });
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    TQuery* q = model_->query();
    const bool canWrite = q && q->CanModify() && editing_ && !readOnly_;
    try {
        if (event->key() == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier)) {
            DeleteCurrentRow();
            return;
        }
        if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier && canWrite) {
            q->Insert();
            return;
        }
        if (event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier && canWrite &&
            q->State() == TDataSetState::dsBrowse && q->RecNo() == q->RecordCount()) {
            q->Append();
            return;
        }
        if (event->key() == Qt::Key_Escape && q &&
            (q->State() == TDataSetState::dsInsert || q->State() == TDataSetState::dsEdit)) {
            q->Cancel();
            return;
        }
    } catch (const std::exception& e) {
        platform::reportError(e);
        return;
    }
    QTableView::keyPressEvent(event);
}
