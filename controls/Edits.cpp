#include "controls/Edits.h"

#include "controls/NumberText.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QTimer>

namespace {

// One check at a time in the whole program: a check started from a check's own events
// (reading Value in OnValidate, say) does nothing.
bool validating = false;

struct TValidationGuard {
    TValidationGuard() { validating = true; }
    ~TValidationGuard() { validating = false; }
    TValidationGuard(const TValidationGuard&) = delete;
    TValidationGuard& operator=(const TValidationGuard&) = delete;
};

// The program's displays know a comma and a point.
QChar localeSeparator() {
    return QLocale().decimalPoint() == QStringLiteral(",") ? QLatin1Char(',') : QLatin1Char('.');
}

} // namespace

// ---- TValidateEdit ----

TValidateEdit::TValidateEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { Change(text); });
}

void TValidateEdit::SetAlignment(TAlignment value) {
    alignment_ = value;
    Qt::Alignment a = Qt::AlignLeft;
    if (value == TAlignment::taRightJustify)
        a = Qt::AlignRight;
    else if (value == TAlignment::taCenter)
        a = Qt::AlignHCenter;
    setAlignment(a | Qt::AlignVCenter);
}

void TValidateEdit::SetMask(const QString& value) {
    if (value == mask_)
        return;
    mask_ = value;
    Validate();
}

void TValidateEdit::SetErrLeaving(TErrLeavings value) {
    if (value == errLeaving_)
        return;
    errLeaving_ = value;
    Validate();
}

void TValidateEdit::SetTextQuietly(const QString& text) {
    const bool was = quiet_;
    quiet_ = true;
    setText(text);
    quiet_ = was;
    acceptedText_ = text;
    changed_ = false;
}

void TValidateEdit::Change(const QString& text) {
    if (quiet_)
        return;
    if (!IsValidInput()) {
        SetTextQuietly(acceptedText_);
        return;
    }
    acceptedText_ = text;
    changed_ = true;
}

void TValidateEdit::Validate() {
    if (!changed_ || validating)
        return;
    TValidationGuard guard;
    bool ok = IsValidValue();
    if (OnValidate)
        OnValidate(*this, ok);
    if (!ok && errLeaving_ != TErrLeavings::always) {
        // The next exit checks again.
        changed_ = true;
        if (errLeaving_ == TErrLeavings::never) {
            // Later: the focus is still on its way to the other control.
            QTimer::singleShot(0, this, [this] { setFocus(Qt::OtherFocusReason); });
        }
        if (OnValidateError)
            OnValidateError(*this);
    } else {
        changed_ = false;
    }
}

void TValidateEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Another program or a popup taking the focus is no exit from the control.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    Validate();
    if (OnExit)
        OnExit(*this);
}

void TValidateEdit::keyPressEvent(QKeyEvent* event) {
    int key = event->key();
    if (OnKeyDown)
        OnKeyDown(*this, key);
    if (key == 0) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

// ---- TFloatEdit ----

TFloatEdit::TFloatEdit(QWidget* parent) : TValidateEdit(parent), separator_(localeSeparator()) {}

double TFloatEdit::Clamp(double value) const {
    if (min_ == 0 && max_ == 0)
        return value;
    if (value < min_)
        value = min_;
    if (value > max_)
        value = max_;
    return value;
}

double TFloatEdit::Value() {
    Validate();
    return value_;
}

void TFloatEdit::SetValue(double value) {
    if (value == value_)
        return;
    value_ = Clamp(value);
    SetTextQuietly(numbertext::FormatFloat(format_, value_, separator_));
}

void TFloatEdit::SetMinValue(double value) {
    if (value == min_)
        return;
    if (value > max_)
        max_ = value;
    min_ = value;
    SetValue(Clamp(value_));
}

void TFloatEdit::SetMaxValue(double value) {
    if (value == max_)
        return;
    if (value < min_)
        min_ = value;
    max_ = value;
    SetValue(Clamp(value_));
}

void TFloatEdit::SetFormatString(const QString& value) {
    if (value == format_)
        return;
    format_ = value;
    SetTextQuietly(numbertext::FormatFloat(format_, value_, separator_));
}

void TFloatEdit::SetDecimalSeparator(QChar value) {
    if (value == separator_)
        return;
    separator_ = value;
    SetTextQuietly(numbertext::FormatFloat(format_, value_, separator_));
}

bool TFloatEdit::IsValidValue() {
    const numbertext::TDecimalMarks marks = numbertext::DecimalMarksOf(format_);
    std::optional<double> value = numbertext::TextToFloat(text(), separator_, marks);
    if (!value)
        value = numbertext::TextToFloat(numbertext::ExtractFloatNumber(text(), format_, separator_, marks),
                                        separator_);
    // A text without a number keeps the last value, which is shown again.
    if (value)
        value_ = Clamp(*value);
    SetTextQuietly(numbertext::FormatFloat(format_, value_, separator_));
    return true;
}

// ---- TIntEdit ----

TIntEdit::TIntEdit(QWidget* parent) : TValidateEdit(parent) {}

int32_t TIntEdit::Clamp(int32_t value) const {
    if (min_ == 0 && max_ == 0)
        return value;
    if (value < min_)
        value = min_;
    if (value > max_)
        value = max_;
    return value;
}

int32_t TIntEdit::Value() {
    Validate();
    return value_;
}

void TIntEdit::SetValue(int32_t value) {
    if (value == value_)
        return;
    value_ = Clamp(value);
    SetTextQuietly(numbertext::FormatInt(format_, value_));
}

void TIntEdit::SetMinValue(int32_t value) {
    if (value == min_)
        return;
    if (value > max_)
        max_ = value;
    min_ = value;
    SetValue(Clamp(value_));
}

void TIntEdit::SetMaxValue(int32_t value) {
    if (value == max_)
        return;
    if (value < min_)
        min_ = value;
    max_ = value;
    SetValue(Clamp(value_));
}

void TIntEdit::SetFormatString(const QString& value) {
    if (value == format_)
        return;
    format_ = value;
    SetTextQuietly(numbertext::FormatInt(format_, value_));
}

bool TIntEdit::IsValidValue() {
    std::optional<int32_t> value = numbertext::TextToInt(text());
    if (!value)
        value = numbertext::TextToInt(numbertext::ExtractIntNumber(text(), format_));
    if (value)
        value_ = Clamp(*value);
    SetTextQuietly(numbertext::FormatInt(format_, value_));
    return true;
}
