#include "controls/DBControls.h"

#include "platform/error_report.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QTextCursor>
#include <QTextDocument>

using platform::EDatabaseError;
using platform::TDataSetState;
using platform::TField;
using platform::TFieldType;
using platform::TQuery;

namespace {

bool isExit(const QFocusEvent* event) {
    // Another program or a popup taking the focus is no exit from the control.
    return event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
}

// An editor writes into the current row; with none there is nothing to write into.
bool hasCurrentRow(const TQuery* query) {
    return query && query->RecNo() > 0;
}

} // namespace

bool fieldEditable(const TQuery* query, const TField* field) {
    return query && field && query->CanModify() && !field->ReadOnly() && !field->Calculated() &&
           field->DataType() != TFieldType::ftAutoInc;
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
    setCursorPosition(0); // a long value shows its start, not its end
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
