#include "controls/Edits.h"
#include "controls/NumberText.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

const QChar comma(u',');
const QChar point(u'.');

// The focus moves on to another control of the window.
void leave(QWidget& w, Qt::FocusReason reason = Qt::TabFocusReason) {
    QFocusEvent event(QEvent::FocusOut, reason);
    QApplication::sendEvent(&w, &event);
}

void type(TValidateEdit& e, const QString& text) {
    e.setText(text);
    leave(e);
}

// The main window's measuring-time field.
void setUpMeasuringTime(TFloatEdit& e, QChar separator) {
    e.SetDecimalSeparator(separator);
    e.SetFormatString(QStringLiteral("%1.1f"));
    e.SetMinValue(3.0);
    e.SetMaxValue(25.0);
    e.SetValue(3.0);
}

} // namespace

TEST(FloatEdit, ClampsToTheBoundsOnLeaving) {
    for (QChar sep : {comma, point}) {
        TFloatEdit e;
        setUpMeasuringTime(e, sep);
        EXPECT_EQ(e.text(), QStringLiteral("3") + sep + QStringLiteral("0"));
        type(e, QStringLiteral("30"));
        EXPECT_EQ(e.Value(), 25.0);
        EXPECT_EQ(e.text(), QStringLiteral("25") + sep + QStringLiteral("0"));
        type(e, QStringLiteral("2"));
        EXPECT_EQ(e.Value(), 3.0);
        EXPECT_EQ(e.text(), QStringLiteral("3") + sep + QStringLiteral("0"));
        type(e, QStringLiteral("12") + sep + QStringLiteral("5"));
        EXPECT_EQ(e.Value(), 12.5);
    }
}

TEST(FloatEdit, PullsTheNumberOutOfAFormattedText) {
    TFloatEdit e;
    e.SetDecimalSeparator(comma);
    e.SetFormatString(QStringLiteral("%1.1f s"));
    type(e, QStringLiteral("12,5 s"));
    EXPECT_EQ(e.Value(), 12.5);
    EXPECT_EQ(e.text(), QStringLiteral("12,5 s"));
    type(e, QStringLiteral("7,25x s"));
    EXPECT_EQ(e.Value(), 7.25);

    TFloatEdit p;
    p.SetDecimalSeparator(point);
    p.SetFormatString(QStringLiteral("Zeit %1.2f s"));
    type(p, QStringLiteral("Zeit -4.5 s"));
    EXPECT_EQ(p.Value(), -4.5);
    EXPECT_EQ(p.text(), QStringLiteral("Zeit -4.50 s"));
}

TEST(FloatEdit, TakesCommaAndPointAlikeAsTheDecimalMark) {
    for (QChar sep : {comma, point}) {
        SCOPED_TRACE(QString(sep).toStdString());
        TFloatEdit e;
        setUpMeasuringTime(e, sep);
        for (const char* typed : {"5.5", "5,5", " 5.5 s", "5,5s"}) {
            SCOPED_TRACE(typed);
            e.SetValue(3.0);
            type(e, QString::fromLatin1(typed));
            EXPECT_EQ(e.Value(), 5.5);
            EXPECT_EQ(e.text(), QStringLiteral("5") + sep + QStringLiteral("5"));
        }
    }
    // Where the format groups the digits, the other mark is a group mark.
    TFloatEdit grouped;
    grouped.SetDecimalSeparator(comma);
    grouped.SetFormatString(QStringLiteral("%.0n"));
    grouped.SetValue(1234);
    EXPECT_EQ(grouped.text(), QStringLiteral("1.234"));
    type(grouped, QStringLiteral("2.345"));
    EXPECT_EQ(grouped.Value(), 2345);
}

TEST(FloatEdit, TextWithoutANumberKeepsTheLastValue) {
    TFloatEdit e;
    setUpMeasuringTime(e, comma);
    type(e, QStringLiteral("12,5"));
    for (const char* bad : {"abc", "", "-", "1-2", "--", ",", "nan"}) {
        SCOPED_TRACE(bad);
        type(e, QString::fromLatin1(bad));
        EXPECT_EQ(e.Value(), 12.5);
        EXPECT_EQ(e.text(), QStringLiteral("12,5"));
    }
}

TEST(FloatEdit, BoundsStayConsistent) {
    TFloatEdit e;
    e.SetMinValue(3);
    EXPECT_EQ(e.MaxValue(), 3) << "the maximum is raised first";
    EXPECT_EQ(e.Value(), 3) << "and the value clamped";
    e.SetMaxValue(1);
    EXPECT_EQ(e.MinValue(), 1);
    EXPECT_EQ(e.Value(), 1);
    // Bounds both 0: no clamping.
    TFloatEdit free;
    free.SetValue(-1e6);
    EXPECT_EQ(free.Value(), -1e6);
}

TEST(IntEdit, ReadsItsOwnHexadecimalTextBack) {
    TIntEdit e;
    e.SetFormatString(QStringLiteral("%x"));
    e.SetValue(255);
    EXPECT_EQ(e.text(), QStringLiteral("FF"));
    type(e, QStringLiteral("1f"));
    EXPECT_EQ(e.Value(), 31);
    EXPECT_EQ(e.text(), QStringLiteral("1F"));
    EXPECT_EQ(numbertext::ExtractIntNumber(QStringLiteral("FF"), QStringLiteral("%x")),
              QStringLiteral("$FF"));
    EXPECT_EQ(numbertext::ExtractIntNumber(QStringLiteral("Code: 0a h"), QStringLiteral("Code: %X h")),
              QStringLiteral("$0a"));
}

TEST(IntEdit, ClampsAndExtracts) {
    TIntEdit e;
    e.SetFormatString(QStringLiteral("%d Tage"));
    e.SetMinValue(1);
    e.SetMaxValue(999);
    EXPECT_EQ(e.text(), QStringLiteral("1 Tage"));
    type(e, QStringLiteral("30 Tage"));
    EXPECT_EQ(e.Value(), 30);
    type(e, QStringLiteral("5000"));
    EXPECT_EQ(e.Value(), 999);
    type(e, QStringLiteral("0"));
    EXPECT_EQ(e.Value(), 1);
    type(e, QStringLiteral("viele"));
    EXPECT_EQ(e.Value(), 1);
    EXPECT_EQ(e.text(), QStringLiteral("1 Tage"));
    type(e, QStringLiteral("99999999999 Tage"));
    EXPECT_EQ(e.Value(), 1) << "beyond 32 bits is no number";
}

TEST(ValidateEdit, LeavingUnchangedRunsNoCheck) {
    TFloatEdit e;
    setUpMeasuringTime(e, comma);
    int checks = 0;
    int exits = 0;
    e.OnValidate = [&](TValidateEdit&, bool&) { ++checks; };
    e.OnExit = [&](TValidateEdit&) { ++exits; };
    leave(e);
    EXPECT_EQ(checks, 0);
    EXPECT_EQ(exits, 1) << "the exit itself still reaches the window";
    e.SetValue(7.5);
    leave(e);
    EXPECT_EQ(checks, 0) << "a value the program set is no change";
    e.setText(QStringLiteral("8"));
    leave(e);
    EXPECT_EQ(checks, 1);
    leave(e);
    EXPECT_EQ(checks, 1);
}

TEST(ValidateEdit, SwitchingProgramOrPopupIsNoExit) {
    TFloatEdit e;
    setUpMeasuringTime(e, comma);
    int exits = 0;
    e.OnExit = [&](TValidateEdit&) { ++exits; };
    e.setText(QStringLiteral("30"));
    leave(e, Qt::ActiveWindowFocusReason);
    leave(e, Qt::PopupFocusReason);
    EXPECT_EQ(exits, 0);
    EXPECT_TRUE(e.TextChangedFlag());
    EXPECT_EQ(e.text(), QStringLiteral("30"));
    leave(e, Qt::MouseFocusReason);
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(e.text(), QStringLiteral("25,0"));
}

TEST(ValidateEdit, ACheckFromWithinACheckDoesNothing) {
    TFloatEdit e;
    setUpMeasuringTime(e, comma);
    TFloatEdit other;
    setUpMeasuringTime(other, comma);
    other.setText(QStringLiteral("9"));
    int checks = 0;
    double seen = 0;
    e.OnValidate = [&](TValidateEdit&, bool&) {
        ++checks;
        seen = e.Value();
        other.Validate(); // one check in the whole program at a time
    };
    int errors = 0;
    e.OnValidateError = [&](TValidateEdit&) {
        ++errors;
        (void)e.Value();
    };
    type(e, QStringLiteral("5"));
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(seen, 5.0);
    EXPECT_TRUE(other.TextChangedFlag()) << "the other edit's check did not run";
    EXPECT_EQ(other.Value(), 9.0) << "and runs afterwards";
    EXPECT_EQ(errors, 0);
}

TEST(ValidateEdit, InvalidValueByErrLeaving) {
    TIntEdit e;
    e.OnValidate = [](TValidateEdit&, bool& ok) { ok = false; };
    int errors = 0;
    e.OnValidateError = [&](TValidateEdit&) { ++errors; };

    e.SetErrLeaving(TErrLeavings::always);
    type(e, QStringLiteral("4"));
    EXPECT_EQ(errors, 0);
    EXPECT_FALSE(e.TextChangedFlag());

    e.SetErrLeaving(TErrLeavings::changed);
    type(e, QStringLiteral("5"));
    EXPECT_EQ(errors, 1);
    EXPECT_TRUE(e.TextChangedFlag()) << "the next exit checks again";
    leave(e);
    EXPECT_EQ(errors, 2);
}

TEST(ValidateEdit, NeverLetsTheFocusGoWhileInvalid) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* e = new TIntEdit;
    auto* next = new TIntEdit;
    layout->addWidget(e);
    layout->addWidget(next);
    window.show();
    window.activateWindow();
    QApplication::processEvents();
    if (!window.isActiveWindow())
        GTEST_SKIP() << "no window activation on this platform";

    bool valid = false;
    int errors = 0;
    e->OnValidate = [&](TValidateEdit&, bool& ok) { ok = valid; };
    e->OnValidateError = [&](TValidateEdit&) { ++errors; };
    e->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    ASSERT_TRUE(e->hasFocus());
    e->setText(QStringLiteral("4"));
    next->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(errors, 1);
    EXPECT_TRUE(e->hasFocus()) << "the focus came back";

    valid = true;
    next->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_TRUE(next->hasFocus());
    EXPECT_EQ(e->Value(), 4);
}

TEST(ValidateEdit, KeyHandlerCanKeepAKeyFromTheEdit) {
    TFloatEdit e;
    setUpMeasuringTime(e, comma);
    int returns = 0;
    QObject::connect(&e, &QLineEdit::returnPressed, [&] { ++returns; });
    int seen = 0;
    e.OnKeyDown = [&](TValidateEdit&, int& key) {
        seen = key;
        if (key == Qt::Key_Return)
            key = 0;
    };
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(&e, &enter);
    EXPECT_EQ(seen, Qt::Key_Return);
    EXPECT_EQ(returns, 0);
    e.selectAll();
    QKeyEvent digit(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, QStringLiteral("7"));
    QApplication::sendEvent(&e, &digit);
    EXPECT_EQ(e.text(), QStringLiteral("7"));
    EXPECT_TRUE(e.TextChangedFlag());
}

TEST(ValidateEdit, AlignmentAndMask) {
    TValidateEdit e;
    EXPECT_EQ(e.Alignment(), TAlignment::taLeftJustify);
    e.SetAlignment(TAlignment::taRightJustify);
    EXPECT_TRUE(e.alignment() & Qt::AlignRight);
    e.SetAlignment(TAlignment::taCenter);
    EXPECT_TRUE(e.alignment() & Qt::AlignHCenter);
    int checks = 0;
    e.OnValidate = [&](TValidateEdit&, bool&) { ++checks; };
    e.setText(QStringLiteral("x"));
    e.SetMask(QStringLiteral("##"));
    EXPECT_EQ(checks, 1) << "a new mask triggers a check";
    EXPECT_EQ(e.Mask(), QStringLiteral("##"));
}
