#pragma once

#include <QChar>
#include <QLineEdit>
#include <QString>

#include <cstdint>
#include <functional>

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
// What an invalid value does when the focus leaves: nothing (always), check again at the
// next exit (changed), or keep the focus in the edit (never).
enum class TErrLeavings { always, changed, never };

// A single-line edit that checks its contents when the focus moves to another control,
// only if the text was changed since the last passed check.
class TValidateEdit : public QLineEdit {
    Q_OBJECT
public:
    using TValidateEvent = std::function<void(TValidateEdit& sender, bool& isValid)>;
    using TNotifyEvent = std::function<void(TValidateEdit& sender)>;
    // key is the Qt key code; a handler that sets it to 0 keeps the key from the edit.
    using TKeyEvent = std::function<void(TValidateEdit& sender, int& key)>;

    explicit TValidateEdit(QWidget* parent = nullptr);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    QString Mask() const { return mask_; }
    void SetMask(const QString& value);
    TErrLeavings ErrLeaving() const { return errLeaving_; }
    void SetErrLeaving(TErrLeavings value);

    // The text has changed since the last passed check.
    bool TextChangedFlag() const { return changed_; }

    void Validate();

    TValidateEvent OnValidate;
    TNotifyEvent OnValidateError;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;

protected:
    virtual bool IsValidInput() { return true; }
    virtual bool IsValidValue() { return true; }

    // Shows a text of the program's own that the next check need not look at.
    void SetTextQuietly(const QString& text);

    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Change(const QString& text);

    TAlignment alignment_ = TAlignment::taLeftJustify;
    QString mask_;
    TErrLeavings errLeaving_ = TErrLeavings::never;
    bool changed_ = false;
    bool quiet_ = false;
    QString acceptedText_;
};

// An edit for a floating-point value with optional bounds (not both 0) and a display
// format in the printf manner ("%1.1f").
class TFloatEdit : public TValidateEdit {
    Q_OBJECT
public:
    explicit TFloatEdit(QWidget* parent = nullptr);

    double Value();
    void SetValue(double value);
    double MinValue() const { return min_; }
    void SetMinValue(double value);
    double MaxValue() const { return max_; }
    void SetMaxValue(double value);
    QString FormatString() const { return format_; }
    void SetFormatString(const QString& value);
    // Shown in the text; the locale's by default. Typed text may also carry the other of ","
    // and "." unless the format groups the digits.
    QChar DecimalSeparator() const { return separator_; }
    void SetDecimalSeparator(QChar value);

protected:
    bool IsValidValue() override;

private:
    double Clamp(double value) const;

    double value_ = 0;
    double min_ = 0;
    double max_ = 0;
    QString format_ = QStringLiteral("%g");
    QChar separator_;
};

// An edit for an integer value with optional bounds (not both 0) and a display format
// ("%d", "%x").
class TIntEdit : public TValidateEdit {
    Q_OBJECT
public:
    explicit TIntEdit(QWidget* parent = nullptr);

    int32_t Value();
    void SetValue(int32_t value);
    int32_t MinValue() const { return min_; }
    void SetMinValue(int32_t value);
    int32_t MaxValue() const { return max_; }
    void SetMaxValue(int32_t value);
    QString FormatString() const { return format_; }
    void SetFormatString(const QString& value);

protected:
    bool IsValidValue() override;

private:
    int32_t Clamp(int32_t value) const;

    int32_t value_ = 0;
    int32_t min_ = 0;
    int32_t max_ = 0;
    QString format_ = QStringLiteral("%d");
};
