#include "controls/DBControls.h"

#include "platform/error_report.h"
#include "platform/message_box.h"

#include <QAbstractTableModel>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

using platform::EDatabaseError;
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

bool isExit(const QFocusEvent* event) {
    // Another program or a popup taking the focus is no exit from the control.
    return event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
}

bool fieldEditable(const TQuery* query, const TField* field) {
    return query && field && query->CanModify() && !field->ReadOnly() && !field->Calculated() &&
           field->DataType() != TFieldType::ftAutoInc;
}

// An editor writes into the current row; with none there is nothing to write into.
bool hasCurrentRow(const TQuery* query) {
    return query && query->RecNo() > 0;
}

QString fieldText(const TField* field) {
    if (!field)
        return QString();
    try {
        return field->DisplayText();
    } catch (const EDatabaseError&) {
        return QString(); // a value the field cannot show is shown as nothing
    }
}

} // namespace

void SetFieldText(TField& field, const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() && field.DataType() != TFieldType::ftString) {
        field.Clear();
        return;
    }
    switch (field.DataType()) {
    case TFieldType::ftString:
    case TFieldType::ftUnknown:
        field.SetAsString(text);
        return;
    case TFieldType::ftDate: {
        QDate d = QDate::fromString(t, QStringLiteral("d.M.yyyy"));
        if (!d.isValid())
            d = QDate::fromString(t, Qt::ISODate);
        if (!d.isValid())
            throw EDatabaseError(QStringLiteral("'%1' ist kein gültiges Datum.").arg(text));
        field.SetAsDate(d);
        return;
    }
    case TFieldType::ftBoolean: {
        const QString b = t.toLower();
        if (b == QLatin1String("ja") || b == QLatin1String("true") || b == QLatin1String("1"))
            field.SetAsBoolean(true);
        else if (b == QLatin1String("nein") || b == QLatin1String("false") || b == QLatin1String("0"))
            field.SetAsBoolean(false);
        else
            throw EDatabaseError(QStringLiteral("'%1' ist kein gültiger Boolescher Wert.").arg(text));
        return;
    }
    default: {
        bool ok = false;
        const int32_t n = t.toInt(&ok);
        if (!ok)
            throw EDatabaseError(QStringLiteral("'%1' ist kein gültiger Integerwert.").arg(text));
        field.SetAsInteger(n);
    }
    }
}

// ---- TDataSource

TDataSource::TDataSource(QObject* owner) : TFieldSource(owner) {}

void TDataSource::SetDataSet(TQuery* query) {
    if (query == dataSet_)
        return;
    disconnect(changed_);
    disconnect(update_);
    dataSet_ = query;
    if (query) {
        changed_ = connect(query, &TQuery::DataChanged, this, &TFieldSource::DataChanged);
        update_ = connect(query, &TQuery::UpdateRecord, this, &TDataSource::UpdateRecord);
    }
    emit DataChanged();
}

TField* TDataSource::Field(const QString& name) const {
    if (!dataSet_ || !dataSet_->Active() || name.isEmpty())
        return nullptr;
    return dataSet_->FindField(name);
}

std::optional<TFieldValue> TDataSource::FieldValue(const QString& fieldName) const {
    const TField* field = Field(fieldName);
    if (!field)
        return std::nullopt;
    TFieldValue value;
    value.IsBoolean = field->DataType() == TFieldType::ftBoolean;
    try {
        value.AsBoolean = field->AsBoolean();
    } catch (const EDatabaseError&) {
        value.AsBoolean = false;
    }
    try {
        value.AsInteger = field->AsInteger();
    } catch (const EDatabaseError&) {
        value.AsInteger = 0;
    }
    return value;
}

// ---- TDBEditLink

TDBEditLink::TDBEditLink(QWidget* control, std::function<void()> onDataChange, std::function<QString()> text)
    : control_(control), text_(std::move(text)), link_(std::move(onDataChange)) {}

TDBEditLink::~TDBEditLink() {
    QObject::disconnect(update_);
}

TDataSource* TDBEditLink::DataSource() const {
    return qobject_cast<TDataSource*>(link_.DataSource());
}

void TDBEditLink::SetDataSource(TDataSource* source) {
    QObject::disconnect(update_);
    dirty_ = false;
    if (source)
        update_ = QObject::connect(source, &TDataSource::UpdateRecord, control_, [this] {
            if (dirty_)
                Commit();
        });
    link_.SetDataSource(source);
}

TField* TDBEditLink::Field() const {
    const TDataSource* source = DataSource();
    return source ? source->Field(link_.FieldName()) : nullptr;
}

bool TDBEditLink::Editable() const {
    const TDataSource* source = DataSource();
    return source && fieldEditable(source->DataSet(), Field()) && hasCurrentRow(source->DataSet());
}

bool TDBEditLink::BeginTyping() {
    if (!Editable())
        return false;
    TQuery* query = DataSource()->DataSet();
    // Marked first: going into edit state reports a change that must not undo the typing.
    dirty_ = true;
    if (query->State() == TDataSetState::dsBrowse) {
        try {
            query->Edit();
        } catch (const std::exception& e) {
            dirty_ = false;
            platform::reportError(e);
            return false;
        }
    }
    return true;
}

bool TDBEditLink::Commit() {
    if (!dirty_)
        return true;
    TField* field = Field();
    if (!field) {
        dirty_ = false;
        return false;
    }
    TQuery& query = field->DataSet();
    bool ok = true;
    try {
        if (query.State() == TDataSetState::dsBrowse)
            query.Edit();
        SetFieldText(*field, text_());
    } catch (const std::exception& e) {
        ok = false;
        dirty_ = false;
        platform::reportError(e);
    }
    dirty_ = false;
    return ok;
}

// ---- TDBEdit

TDBEdit::TDBEdit(QWidget* parent)
    : QLineEdit(parent), link_(
                             this, [this] { DataChange(); }, [this] { return text(); }) {
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (!link_.BeginTyping())
            DataChange();
    });
    DataChange();
}

void TDBEdit::SetReadOnly(bool on) {
    readOnly_ = on;
    DataChange();
}

void TDBEdit::DataChange() {
    const TField* field = link_.Field();
    QLineEdit::setReadOnly(readOnly_ || !link_.Editable());
    if (link_.Dirty())
        return;
    loading_ = true;
    setMaxLength(field && field->DataType() == TFieldType::ftString && field->Size() > 0 ? field->Size()
                                                                                         : 32767);
    setText(fieldText(field));
    loading_ = false;
}

void TDBEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (!isExit(event))
        return;
    if (link_.Dirty() && link_.Commit())
        DataChange();
    else if (!link_.Dirty())
        DataChange();
    if (OnExit)
        OnExit(*this);
}

void TDBEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && link_.Dirty()) {
        link_.Reset();
        DataChange();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

// ---- TDBMemo

TDBMemo::TDBMemo(QWidget* parent)
    : QPlainTextEdit(parent), link_(
                                  this, [this] { DataChange(); }, [this] { return toPlainText(); }) {
    connect(document(), &QTextDocument::contentsChange, this, [this](int position, int, int added) {
        insertStart_ = position;
        insertEnd_ = position + added;
    });
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (loading_ || trimming_)
            return;
        keepWithinWidth();
        if (link_.Dirty())
            return;
        if (!link_.BeginTyping())
            DataChange();
    });
    DataChange();
}

void TDBMemo::SetReadOnly(bool on) {
    readOnly_ = on;
    DataChange();
}

void TDBMemo::DataChange() {
    const TField* field = link_.Field();
    QPlainTextEdit::setReadOnly(readOnly_ || !link_.Editable());
    maxLength_ = field && field->DataType() == TFieldType::ftString ? field->Size() : 0;
    if (link_.Dirty())
        return;
    loading_ = true;
    setPlainText(fieldText(link_.Field()));
    loading_ = false;
}

// Drops the end of what just came in, the way a one-line edit cuts a pasted text.
void TDBMemo::keepWithinWidth() {
    const int length = int(toPlainText().size());
    const int excess = maxLength_ > 0 ? length - maxLength_ : 0;
    // The document may count its closing paragraph mark into the change.
    const int end = std::min(insertEnd_, length);
    if (excess <= 0 || end <= insertStart_)
        return;
    QTextCursor cut(document());
    cut.setPosition(std::max(insertStart_, end - excess));
    cut.setPosition(end, QTextCursor::KeepAnchor);
    trimming_ = true;
    cut.removeSelectedText();
    trimming_ = false;
}

void TDBMemo::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    if (!isExit(event))
        return;
    link_.Commit();
    DataChange();
    if (OnExit)
        OnExit(*this);
}

// ---- TDBText

TDBText::TDBText(QWidget* parent) : QLabel(parent), link_([this] { DataChange(); }) {}

TDataSource* TDBText::DataSource() const {
    return qobject_cast<TDataSource*>(link_.DataSource());
}

void TDBText::DataChange() {
    const TDataSource* source = DataSource();
    setText(source ? fieldText(source->Field(link_.FieldName())) : QString());
}

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
        switch (q->State()) {
        case TDataSetState::dsInsert:
            return QStringLiteral("*");
        case TDataSetState::dsEdit:
            return QStringLiteral("I");
        default:
            return QStringLiteral("▶");
        }
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
        try {
            if (q->RecNo() - 1 != index.row())
                q->MoveBy(index.row() - (q->RecNo() - 1));
            q->Edit();
            SetFieldText(*f, value.toString());
            q->Post();
        } catch (const std::exception& e) {
            platform::reportError(e);
            q->Cancel();
            return false;
        }
        return true;
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
    try {
        // Leaving an untouched new row drops it; the rows below it move up by one.
        if (q->State() == TDataSetState::dsInsert && !q->Modified()) {
            const int insertedAt = q->RecNo() - 1;
            q->Cancel();
            if (row > insertedAt)
                --row;
        }
        if (q->RecordCount() > 0 && row != q->RecNo() - 1)
            q->MoveBy(std::min(row, q->RecordCount() - 1) - (q->RecNo() - 1));
    } catch (const std::exception& e) {
        platform::reportError(e);
    }
    dataChange();
}

void TDBGrid::DeleteCurrentRow() {
    TQuery* q = model_->query();
    if (!q || !q->CanModify() || q->RecordCount() == 0 || readOnly_)
        return;
    if (platform::messageBox(QStringLiteral("Datensatz löschen?"), platform::MessageButtons::OkCancel,
                             platform::MessageIcon::Question) != platform::MessageResult::Ok)
        return;
    try {
        q->Delete();
    } catch (const std::exception& e) {
        platform::reportError(e);
    }
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

// ---- TDBNavigator

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent) {
    struct ButtonDesign {
        TNavigateBtn button;
        const char* name;
        QString text;
        QString hint;
    };
    const ButtonDesign buttons[] = {
        {TNavigateBtn::nbFirst, "nbFirst", QStringLiteral("|◀"), QStringLiteral("Erster Datensatz")},
        {TNavigateBtn::nbPrior, "nbPrior", QStringLiteral("◀"), QStringLiteral("Vorheriger Datensatz")},
        {TNavigateBtn::nbNext, "nbNext", QStringLiteral("▶"), QStringLiteral("Nächster Datensatz")},
        {TNavigateBtn::nbLast, "nbLast", QStringLiteral("▶|"), QStringLiteral("Letzter Datensatz")},
        {TNavigateBtn::nbInsert, "nbInsert", QStringLiteral("+"), QStringLiteral("Datensatz einfügen")},
        {TNavigateBtn::nbDelete, "nbDelete", QStringLiteral("−"), QStringLiteral("Datensatz löschen")},
    };
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const ButtonDesign& s : buttons) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(s.name));
        b->setText(s.text);
        b->setToolTip(s.hint);
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, button = s.button] { BtnClick(button); });
        buttons_.push_back(b);
    }
    dataChange();
}

void TDBNavigator::SetDataSource(TDataSource* source) {
    if (source == source_)
        return;
    disconnect(changed_);
    source_ = source;
    if (source)
        changed_ = connect(source, &TFieldSource::DataChanged, this, [this] { dataChange(); });
    dataChange();
}

void TDBNavigator::SetVisibleButtons(const std::set<TNavigateBtn>& buttons) {
    for (size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->setVisible(buttons.count(TNavigateBtn(i)) > 0);
}

QToolButton* TDBNavigator::Button(TNavigateBtn button) const {
    return buttons_[size_t(button)];
}

void TDBNavigator::BtnClick(TNavigateBtn button) {
    TQuery* q = source_ ? source_->DataSet() : nullptr;
    if (!q || !q->Active())
        return;
    try {
        switch (button) {
        case TNavigateBtn::nbFirst:
            q->First();
            break;
        case TNavigateBtn::nbPrior:
            q->Prior();
            break;
        case TNavigateBtn::nbNext:
            q->Next();
            break;
        case TNavigateBtn::nbLast:
            q->Last();
            break;
        case TNavigateBtn::nbInsert:
            q->Insert();
            break;
        case TNavigateBtn::nbDelete:
            if (q->RecordCount() == 0)
                break;
            if (confirmDelete_ &&
                platform::messageBox(QStringLiteral("Datensatz löschen?"), platform::MessageButtons::OkCancel,
                                     platform::MessageIcon::Question) != platform::MessageResult::Ok)
                break;
            q->Delete();
            break;
        }
    } catch (const std::exception& e) {
        platform::reportError(e);
    }
    dataChange();
}

void TDBNavigator::dataChange() {
    const TQuery* q = source_ ? source_->DataSet() : nullptr;
    const bool active = q && q->Active();
    const bool back = active && !q->UniDirectional() && !q->Bof() && q->RecNo() > 1;
    const bool forward = active && !q->Eof() && q->RecNo() < q->RecordCount();
    const bool modify = active && q->CanModify();
    Button(TNavigateBtn::nbFirst)->setEnabled(back);
    Button(TNavigateBtn::nbPrior)->setEnabled(back);
    Button(TNavigateBtn::nbNext)->setEnabled(forward);
    Button(TNavigateBtn::nbLast)->setEnabled(forward && !q->UniDirectional());
    Button(TNavigateBtn::nbInsert)->setEnabled(modify);
    Button(TNavigateBtn::nbDelete)->setEnabled(modify && q->RecordCount() > 0);
}
