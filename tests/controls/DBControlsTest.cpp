#include "controls/DBControls.h"
#include "controls/ChkDsp.h"
#include "controls/DBGrid.h"
#include "controls/DBNavigator.h"
#include "controls/LEDPaint.h"
#include "platform/message_box.h"
#include "records/ProgramDatabase.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

using namespace platform;

namespace {

void leave(QWidget& w, Qt::FocusReason reason = Qt::TabFocusReason) {
    QFocusEvent event(QEvent::FocusOut, reason);
    QApplication::sendEvent(&w, &event);
}

void key(QWidget& w, int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
         const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, code, modifiers, text);
    QApplication::sendEvent(&w, &press);
    QKeyEvent release(QEvent::KeyRelease, code, modifiers, text);
    QApplication::sendEvent(&w, &release);
}

void typeText(QWidget& w, const QString& text) {
    for (QChar c : text)
        key(w, 0, Qt::NoModifier, QString(c));
}

void clickAt(QWidget& w) {
    const QPointF p(w.width() / 2.0, w.height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, p, w.mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, p, w.mapToGlobal(p), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&w, &release);
}

// Answers message boxes instead of a user and keeps their texts.
class Answer {
public:
    explicit Answer(MessageResult result) {
        old_ = setMessageBoxHandler([this, result](const QString& text, MessageButtons buttons, MessageIcon) {
            texts.push_back(text);
            this->buttons.push_back(buttons);
            return result;
        });
    }
    ~Answer() { setMessageBoxHandler(old_); }
    std::vector<QString> texts;
    std::vector<MessageButtons> buttons;

private:
    MessageBoxHandler old_;
};

class DBControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        db = std::make_unique<Database>(dir.filePath(QStringLiteral("Pruefdaten.sqlite")),
                                        ProgramDatabaseSchema());
        TQuery fill(nullptr, db.get());
        fill.SQLAdd(QStringLiteral("select * from \"Uebernah.db\""));
        fill.SetRequestLive(true);
        fill.Open();
        const int menue[] = {64, 1, 6};
        for (int i = 0; i < 3; ++i) {
            fill.Append();
            fill.FieldByName(QStringLiteral("LfdNr")).SetAsInteger(i + 1);
            fill.FieldByName(QStringLiteral("Menueflags")).SetAsInteger(menue[i]);
            fill.FieldByName(QStringLiteral("Pruefungsergebnis")).SetAsBoolean(i == 1);
            fill.FieldByName(QStringLiteral("Barcode")).SetAsString(QStringLiteral("B%1").arg(i + 1));
            fill.Post();
        }
        query = std::make_unique<TQuery>(nullptr, db.get());
        query->SQLAdd(QStringLiteral("select * from \"Uebernah.db\""));
        query->SQLAdd(QStringLiteral("order by LfdNr"));
        query->SetRequestLive(true);
        query->Open();
        source.SetDataSet(query.get());
    }

    QString stored(int lfdNr, const char* field) {
        TQuery q(nullptr, db.get());
        q.SQLAdd(QStringLiteral("select * from \"Uebernah.db\" where LfdNr = %1").arg(lfdNr));
        q.Open();
        return q.FieldByName(QString::fromLatin1(field)).AsString();
    }
    int rows() {
        TQuery q(nullptr, db.get());
        q.SQLAdd(QStringLiteral("select count(*) as n from \"Uebernah.db\""));
        q.Open();
        return q.FieldByName(QStringLiteral("n")).AsInteger();
    }

    QTemporaryDir dir;
    std::unique_ptr<Database> db;
    std::unique_ptr<TQuery> query;
    TDataSource source;
};

// ---- LED and check indicator

TEST_F(DBControlsTest, LedFollowsTheBitsOfTheCurrentRow) {
    TLEDPaint led;
    led.SetMaske(64);
    led.SetDataField(QStringLiteral("Menueflags"));
    led.SetDataSource(&source);
    EXPECT_TRUE(led.LEDOn());
    query->Next();
    EXPECT_FALSE(led.LEDOn());
    led.SetMaske(1);
    EXPECT_TRUE(led.LEDOn());
}

TEST_F(DBControlsTest, LedOnABooleanFieldIgnoresTheMask) {
    TLEDPaint led;
    led.SetMaske(0);
    led.SetDataField(QStringLiteral("Pruefungsergebnis"));
    led.SetDataSource(&source);
    EXPECT_FALSE(led.LEDOn());
    query->Next();
    EXPECT_TRUE(led.LEDOn());
}

TEST_F(DBControlsTest, CheckIndicatorShowsTheMaskedBit) {
    TCheckDisp bit64;
    bit64.SetMaske(64);
    bit64.SetDataField(QStringLiteral("Menueflags"));
    bit64.SetDataSource(&source);
    TCheckDisp bit1;
    bit1.SetMaske(1);
    bit1.SetDataField(QStringLiteral("Menueflags"));
    bit1.SetDataSource(&source);
    EXPECT_TRUE(bit64.Checked());
    EXPECT_FALSE(bit1.Checked());
    query->Next();
    EXPECT_FALSE(bit64.Checked());
    EXPECT_TRUE(bit1.Checked());
}

TEST_F(DBControlsTest, CheckIndicatorIgnoresClicksKeysAndTheTabKey) {
    TCheckDisp box;
    box.SetDataField(QStringLiteral("Pruefungsergebnis"));
    box.SetDataSource(&source);
    box.resize(80, 20);
    box.show();
    EXPECT_FALSE(box.Checked());
    clickAt(box);
    box.click();
    key(box, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    EXPECT_FALSE(box.Checked());
    EXPECT_EQ(box.focusPolicy(), Qt::NoFocus);
    query->Next();
    EXPECT_TRUE(box.Checked());
}

TEST_F(DBControlsTest, ClosedQueryLeavesBoundLampsAlone) {
    TLEDPaint led;
    led.SetMaske(64);
    led.SetDataField(QStringLiteral("Menueflags"));
    led.SetDataSource(&source);
    query->Close();
    EXPECT_TRUE(led.LEDOn());
    EXPECT_FALSE(source.FieldValue(QStringLiteral("Menueflags")).has_value());
}

// ---- edit, memo, text

TEST_F(DBControlsTest, EditShowsTheFieldAndWritesTypedTextOnExit) {
    TDBEdit edit;
    edit.SetDataSource(&source);
    edit.SetDataField(QStringLiteral("Barcode"));
    EXPECT_EQ(edit.text(), QStringLiteral("B1"));
    EXPECT_EQ(edit.maxLength(), 15);
    int exits = 0;
    edit.OnExit = [&](TDBEdit& e) {
        ++exits;
        e.Field()->DataSet().Post();
    };
    edit.selectAll();
    typeText(edit, QStringLiteral("4711"));
    EXPECT_EQ(query->State(), TDataSetState::dsEdit);
    EXPECT_EQ(query->FieldByName(QStringLiteral("Barcode")).AsString(), QStringLiteral("B1"));
    leave(edit);
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(stored(1, "Barcode"), QStringLiteral("4711"));
    query->Next();
    EXPECT_EQ(edit.text(), QStringLiteral("B2"));
}

TEST_F(DBControlsTest, EditNotBeingEditedShowsTheStartOfALongValue) {
    const QString names[] = {QStringLiteral("Schwäbisch Gmünd-Hussenh"),
                             QStringLiteral("Warmwasserbereiter Wandmo")};
    for (const QString& name : names) {
        query->Edit();
        query->FieldByName(QStringLiteral("Pruefer")).SetAsString(name);
        query->Post();
        query->Next();
    }
    query->First();
    TDBEdit edit;
    edit.resize(70, 24);
    edit.SetDataSource(&source);
    edit.SetDataField(QStringLiteral("Pruefer"));
    // The edit looks at its left as a plain edit holding only the value's start.
    const auto showsStart = [&edit](const QString& start) {
        QLineEdit plain(start);
        plain.resize(edit.size());
        plain.setCursorPosition(0);
        const QRect left(0, 0, edit.fontMetrics().horizontalAdvance(start), edit.height());
        return edit.grab().toImage().copy(left) == plain.grab().toImage().copy(left);
    };
    EXPECT_EQ(edit.cursorPosition(), 0);
    EXPECT_TRUE(showsStart(QStringLiteral("Schw")));
    query->Next();
    EXPECT_EQ(edit.text(), names[1]);
    EXPECT_EQ(edit.cursorPosition(), 0);
    EXPECT_TRUE(showsStart(QStringLiteral("Warm")));

    // Typing at the end keeps the cursor there; leaving the edit shows the start again.
    edit.setFocus();
    key(edit, Qt::Key_End);
    key(edit, Qt::Key_Backspace);
    typeText(edit, QStringLiteral("x"));
    EXPECT_EQ(edit.text(), QStringLiteral("Warmwasserbereiter Wandmx"));
    EXPECT_EQ(edit.cursorPosition(), 25);
    leave(edit);
    EXPECT_EQ(edit.cursorPosition(), 0);
}

TEST_F(DBControlsTest, SwitchingToAnotherProgramIsNoExit) {
    TDBEdit edit;
    edit.SetDataSource(&source);
    edit.SetDataField(QStringLiteral("Pruefer"));
    int exits = 0;
    edit.OnExit = [&](TDBEdit&) { ++exits; };
    typeText(edit, QStringLiteral("M"));
    leave(edit, Qt::ActiveWindowFocusReason);
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(query->FieldByName(QStringLiteral("Pruefer")).AsString(), QString());
}

TEST_F(DBControlsTest, TypedTextIsNotLostWhenTheQueryPostsOrMoves) {
    TDBEdit edit;
    edit.SetDataSource(&source);
    edit.SetDataField(QStringLiteral("Pruefer"));
    typeText(edit, QStringLiteral("Meier"));
    query->Next(); // no exit from the edit first
    EXPECT_EQ(stored(1, "Pruefer"), QStringLiteral("Meier"));
    EXPECT_EQ(edit.text(), QString());
}

TEST_F(DBControlsTest, MemoNoteIsPostedWhenTheQueryPosts) {
    TDBMemo memo;
    memo.SetDataSource(&source);
    memo.SetDataField(QStringLiteral("Notiz"));
    EXPECT_EQ(memo.toPlainText(), QString());
    memo.setFocus();
    typeText(memo, QStringLiteral("Kabel"));
    EXPECT_EQ(query->State(), TDataSetState::dsEdit);
    query->Post();
    EXPECT_EQ(stored(1, "Notiz"), QStringLiteral("Kabel"));
}

TEST_F(DBControlsTest, WithoutARowMemoAndEditTakeNoInput) {
    Answer answer(MessageResult::Ok);
    TQuery empty(nullptr, db.get());
    empty.SQLAdd(QStringLiteral("select * from \"Uebernah.db\" where LfdNr > 100"));
    empty.SetRequestLive(true);
    empty.AfterInsert = [](TQuery& q) { q.Cancel(); }; // rows come only from a fetch
    empty.Open();
    TDataSource emptySource;
    emptySource.SetDataSet(&empty);
    TDBMemo memo;
    memo.SetDataSource(&emptySource);
    memo.SetDataField(QStringLiteral("Notiz"));
    TDBEdit edit;
    edit.SetDataSource(&emptySource);
    edit.SetDataField(QStringLiteral("Pruefer"));
    EXPECT_TRUE(memo.isReadOnly());
    EXPECT_TRUE(edit.isReadOnly());

    memo.setFocus();
    typeText(memo, QStringLiteral("Kabel"));
    leave(memo);
    typeText(edit, QStringLiteral("Meier"));
    leave(edit);
    EXPECT_TRUE(answer.texts.empty());
    EXPECT_EQ(memo.toPlainText(), QString());
    EXPECT_EQ(edit.text(), QString());
    EXPECT_EQ(empty.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(rows(), 3);

    // The last row deleted: the memo that showed it takes no more input.
    TDBMemo bound;
    bound.SetDataSource(&source);
    bound.SetDataField(QStringLiteral("Notiz"));
    EXPECT_FALSE(bound.isReadOnly());
    while (query->RecordCount() > 0)
        query->Delete();
    EXPECT_TRUE(bound.isReadOnly());
}

// ---- field widths: what is typed or pasted never exceeds the field

TEST_F(DBControlsTest, MemoTakesNoMoreThanItsFieldHoldsTypedOrPasted) {
    TDBMemo memo;
    memo.SetDataSource(&source);
    memo.SetDataField(QStringLiteral("Notiz"));
    memo.setFocus();
    QString long900;
    for (int i = 0; i < 900; ++i)
        long900 += QChar(u'a' + i % 26);
    QApplication::clipboard()->setText(long900);
    memo.paste();
    EXPECT_EQ(memo.toPlainText().size(), 255);
    EXPECT_EQ(memo.toPlainText(), long900.left(255));
    typeText(memo, QStringLiteral("xyz"));
    EXPECT_EQ(memo.toPlainText(), long900.left(255));
    leave(memo);
    query->Post();
    EXPECT_EQ(stored(1, "Notiz"), long900.left(255));

    // Pasted into the middle: what fits goes in at the cursor, the rest of the note stays.
    QTextCursor c = memo.textCursor();
    c.setPosition(10);
    c.setPosition(20, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    memo.setTextCursor(c);
    QApplication::clipboard()->setText(QStringLiteral("0123456789ABCDEF"));
    memo.paste();
    EXPECT_EQ(memo.toPlainText(), long900.left(10) + QStringLiteral("0123456789") + long900.mid(20, 235));
    EXPECT_EQ(memo.textCursor().position(), 20);
}

TEST_F(DBControlsTest, EditTakesNoMoreThanItsFieldHoldsTypedOrPasted) {
    TDBEdit edit;
    edit.SetDataSource(&source);
    edit.SetDataField(QStringLiteral("Pruefer"));
    EXPECT_EQ(edit.maxLength(), 25);
    typeText(edit, QStringLiteral("Maximilian-Alexander von Hohenzollern"));
    EXPECT_EQ(edit.text(), QStringLiteral("Maximilian-Alexander von "));
    edit.clear();
    QApplication::clipboard()->setText(QString(900, QLatin1Char('x')));
    edit.paste();
    EXPECT_EQ(edit.text(), QString(25, QLatin1Char('x')));
}

TEST_F(DBControlsTest, GridCellEditorTakesNoMoreThanItsFieldHolds) {
    TDBGrid grid;
    grid.SetColumns({{QStringLiteral("Barcode")}, {QStringLiteral("Pruefer")}, {QStringLiteral("LfdNr")}});
    grid.SetDataSource(&source);
    grid.show();
    const int widths[] = {15, 25};
    for (int column = 0; column < 2; ++column) {
        grid.edit(grid.model()->index(0, column));
        auto* editor = grid.findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->maxLength(), widths[column]) << column;
        grid.closePersistentEditor(grid.model()->index(0, column));
        delete editor;
    }
}

TEST_F(DBControlsTest, EditRefusingAValueShowsTheErrorAndKeepsTheOldOne) {
    Answer answer(MessageResult::Ok);
    TDBEdit edit;
    edit.SetDataSource(&source);
    edit.SetDataField(QStringLiteral("Datum"));
    typeText(edit, QStringLiteral("kein Datum"));
    leave(edit);
    ASSERT_EQ(answer.texts.size(), 1u);
    EXPECT_TRUE(answer.texts[0].contains(QStringLiteral("kein gültiges Datum")));
    EXPECT_EQ(edit.text(), QString());
}

TEST_F(DBControlsTest, TypedTextBecomesAValueOfTheFieldsType) {
    Answer answer(MessageResult::Ok);
    TDBGrid grid;
    grid.SetColumns({{QStringLiteral("Datum")},
                     {QStringLiteral("Pruefungsergebnis")},
                     {QStringLiteral("Schutzleiterwid")}});
    grid.SetDataSource(&source);
    auto* m = grid.model();
    EXPECT_TRUE(m->setData(m->index(0, 0), QStringLiteral("1.3.2024"), Qt::EditRole));
    EXPECT_TRUE(m->setData(m->index(0, 1), QStringLiteral("ja"), Qt::EditRole));
    EXPECT_TRUE(m->setData(m->index(0, 2), QStringLiteral("-1"), Qt::EditRole));
    EXPECT_EQ(query->FieldByName(QStringLiteral("Datum")).AsDate(), QDate(2024, 3, 1));
    EXPECT_TRUE(query->FieldByName(QStringLiteral("Pruefungsergebnis")).AsBoolean());
    EXPECT_EQ(query->FieldByName(QStringLiteral("Schutzleiterwid")).AsInteger(), -1);
    EXPECT_EQ(stored(1, "Datum"), QStringLiteral("01.03.2024"));
    EXPECT_TRUE(answer.texts.empty());

    EXPECT_FALSE(m->setData(m->index(0, 0), QStringLiteral("31.02.2024"), Qt::EditRole));
    EXPECT_FALSE(m->setData(m->index(0, 1), QStringLiteral("vielleicht"), Qt::EditRole));
    EXPECT_FALSE(m->setData(m->index(0, 2), QStringLiteral("zwölf"), Qt::EditRole));
    ASSERT_EQ(answer.texts.size(), 3u);
    EXPECT_EQ(answer.texts[0], QStringLiteral("'31.02.2024' ist kein gültiges Datum."));
    EXPECT_EQ(answer.texts[1], QStringLiteral("'vielleicht' ist kein gültiger Boolescher Wert."));
    EXPECT_EQ(answer.texts[2], QStringLiteral("'zwölf' ist kein gültiger Integerwert."));
    EXPECT_EQ(stored(1, "Datum"), QStringLiteral("01.03.2024"));
}

TEST_F(DBControlsTest, EditOfAReadOnlyResultCannotBeTyped) {
    TQuery ro(nullptr, db.get());
    ro.SQLAdd(QStringLiteral("select * from \"Uebernah.db\""));
    ro.Open();
    TDataSource roSource;
    roSource.SetDataSet(&ro);
    TDBEdit edit;
    edit.SetDataSource(&roSource);
    edit.SetDataField(QStringLiteral("Barcode"));
    EXPECT_TRUE(edit.isReadOnly());
    EXPECT_EQ(edit.text(), QStringLiteral("B1"));
}

TEST_F(DBControlsTest, TextShowsTheDisplayTextOfTheField) {
    query->FieldByName(QStringLiteral("Pruefungsergebnis")).OnGetText = [](TField& f) {
        return f.AsBoolean() ? QStringLiteral("JA") : QStringLiteral("NEIN");
    };
    TDBText text;
    text.SetDataSource(&source);
    text.SetDataField(QStringLiteral("Pruefungsergebnis"));
    EXPECT_EQ(text.text(), QStringLiteral("NEIN"));
    query->Next();
    EXPECT_EQ(text.text(), QStringLiteral("JA"));
}

TEST_F(DBControlsTest, DisabledControlsShowTheRowWhenEnabledAgain) {
    TDBText text;
    text.SetDataSource(&source);
    text.SetDataField(QStringLiteral("LfdNr"));
    query->DisableControls();
    query->Next();
    query->Next();
    EXPECT_EQ(text.text(), QStringLiteral("1"));
    query->EnableControls();
    EXPECT_EQ(text.text(), QStringLiteral("3"));
}

// ---- grid

TEST_F(DBControlsTest, GridShowsItsColumnsWithTitlesWidthsAndTexts) {
    TDBGrid grid;
    query->FieldByName(QStringLiteral("PrueflingNr")).OnGetText = [](TField& f) {
        return f.AsInteger() ? QStringLiteral("ja") : QStringLiteral("nein");
    };
    grid.SetColumns({
        {QStringLiteral("LfdNr"), QStringLiteral("lfd. Nr."), TAlignment::taCenter, TAlignment::taLeftJustify,
         80, true, true},
        {QStringLiteral("Barcode"), QStringLiteral("Barcode/Prüfl.-Nr.")},
        {QStringLiteral("Menueflags"), QString(), TAlignment::taLeftJustify, TAlignment::taLeftJustify, -1,
         false},
        {QStringLiteral("PrueflingNr"), QStringLiteral("Prüfling"), TAlignment::taCenter,
         TAlignment::taCenter, 96},
    });
    grid.SetDataSource(&source);
    auto* m = grid.model();
    ASSERT_EQ(m->columnCount(), 3);
    ASSERT_EQ(m->rowCount(), 3);
    EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), QStringLiteral("lfd. Nr."));
    EXPECT_EQ(m->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Prüfling"));
    EXPECT_EQ(m->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
                  Qt::AlignHCenter,
              Qt::AlignHCenter);
    // Designed widths with room for their titles in any font.
    EXPECT_EQ(grid.columnWidth(0), 80);
    EXPECT_EQ(grid.columnWidth(2), 96);
    EXPECT_EQ(grid.CellText(1, 1), QStringLiteral("B2"));
    EXPECT_EQ(grid.CellText(2, 2), QStringLiteral("nein"));
    EXPECT_FALSE(m->flags(m->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(m->flags(m->index(0, 1)) & Qt::ItemIsEditable);
}

TEST_F(DBControlsTest, GridWithoutColumnsShowsEveryField) {
    TDBGrid grid;
    grid.SetDataSource(&source);
    EXPECT_EQ(grid.model()->columnCount(), int(query->Fields().size()));
    EXPECT_EQ(grid.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("LfdNr"));
}

TEST_F(DBControlsTest, GridCurrentRowFollowsTheQueryBothWays) {
    TDBGrid grid;
    grid.SetColumns({{QStringLiteral("LfdNr")}, {QStringLiteral("Barcode")}});
    grid.SetDataSource(&source);
    query->Last();
    EXPECT_EQ(grid.currentIndex().row(), 2);
    grid.setCurrentIndex(grid.model()->index(1, 1));
    EXPECT_EQ(query->RecNo(), 2);
    EXPECT_EQ(grid.model()->headerData(1, Qt::Vertical).toString(), QStringLiteral("▶"));
}

// The row marker follows the row's state; the columns beside it stay where they are.
TEST_F(DBControlsTest, GridColumnsKeepTheirPlaceWhateverTheRowMarkerShows) {
    TDBGrid grid;
    grid.SetColumns({{QStringLiteral("LfdNr")}, {QStringLiteral("Barcode")}});
    grid.resize(300, 200);
    grid.SetDataSource(&source);
    grid.show();
    QApplication::processEvents();
    const int left = grid.viewport()->x();
    ASSERT_GT(left, 0);
    const auto marker = [&] { return grid.model()->headerData(query->RecNo() - 1, Qt::Vertical).toString(); };
    query->Edit();
    QApplication::processEvents();
    EXPECT_EQ(marker(), QStringLiteral("I"));
    EXPECT_EQ(grid.viewport()->x(), left);
    query->Cancel();
    query->Insert();
    QApplication::processEvents();
    EXPECT_EQ(marker(), QStringLiteral("*"));
    EXPECT_EQ(grid.viewport()->x(), left);
    query->Cancel();
    QApplication::processEvents();
    EXPECT_EQ(marker(), QStringLiteral("▶"));
    EXPECT_EQ(grid.viewport()->x(), left);
    // Nor do they move when the first row comes.
    TDBGrid empty;
    empty.SetColumns({{QStringLiteral("LfdNr")}, {QStringLiteral("Barcode")}});
    empty.resize(300, 200);
    empty.show();
    QApplication::processEvents();
    EXPECT_EQ(empty.viewport()->x(), left);
}

TEST_F(DBControlsTest, GridCellEditIsWrittenAndPosted) {
    TDBGrid grid;
    grid.SetColumns({{QStringLiteral("LfdNr"), QString(), TAlignment::taLeftJustify,
                      TAlignment::taLeftJustify, -1, true, true},
                     {QStringLiteral("Barcode")}});
    grid.SetDataSource(&source);
    auto* m = grid.model();
    EXPECT_TRUE(m->setData(m->index(2, 1), QStringLiteral("0815"), Qt::EditRole));
    EXPECT_EQ(query->RecNo(), 3);
    EXPECT_EQ(query->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(stored(3, "Barcode"), QStringLiteral("0815"));
    EXPECT_FALSE(m->setData(m->index(0, 0), QStringLiteral("9"), Qt::EditRole)); // read-only column
    EXPECT_EQ(stored(1, "LfdNr"), QStringLiteral("1"));
}

TEST_F(DBControlsTest, GridRefusedValueShowsTheErrorAndKeepsTheRow) {
    Answer answer(MessageResult::Ok);
    query->FieldByName(QStringLiteral("Barcode")).OnValidate = [](TField&) {
        throw EDatabaseError(QStringLiteral("Abfrage fehlgeschlagen"));
    };
    TDBGrid grid;
    grid.SetColumns({{QStringLiteral("Barcode")}});
    grid.SetDataSource(&source);
    EXPECT_FALSE(grid.model()->setData(grid.model()->index(0, 0), QStringLiteral("X"), Qt::EditRole));
    ASSERT_EQ(answer.texts.size(), 1u);
    EXPECT_EQ(answer.texts[0], QStringLiteral("Abfrage fehlgeschlagen"));
    EXPECT_EQ(grid.CellText(0, 0), QStringLiteral("B1"));
    EXPECT_EQ(query->State(), TDataSetState::dsBrowse);
}

TEST_F(DBControlsTest, GridDeleteKeyAsksFirst) {
    TDBGrid grid;
    grid.SetColumns({{QStringLiteral("LfdNr")}});
    grid.SetDataSource(&source);
    {
        Answer answer(MessageResult::Cancel);
        key(grid, Qt::Key_Delete, Qt::ControlModifier);
        ASSERT_EQ(answer.texts.size(), 1u);
        EXPECT_EQ(answer.texts[0], QStringLiteral("Datensatz löschen?"));
        EXPECT_EQ(answer.buttons[0], MessageButtons::OkCancel);
    }
    EXPECT_EQ(rows(), 3);
    int afterDelete = 0;
    query->AfterDelete = [&](TQuery&) { ++afterDelete; };
    Answer answer(MessageResult::Ok);
    key(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(afterDelete, 1);
    EXPECT_EQ(grid.model()->rowCount(), 2);
    EXPECT_EQ(grid.CellText(0, 0), QStringLiteral("2"));
}

TEST_F(DBControlsTest, GridInsertKeysAddNoRowWhenTheQueryRefusesThem) {
    query->AfterInsert = [](TQuery& q) {
        if (!q.CachedUpdates())
            q.Cancel();
    };
    TDBGrid grid;
    grid.SetColumns({{QStringLiteral("LfdNr")}});
    grid.SetDataSource(&source);
    key(grid, Qt::Key_Insert);
    query->Last();
    key(grid, Qt::Key_Down);
    EXPECT_EQ(grid.model()->rowCount(), 3);
    EXPECT_EQ(query->RecordCount(), 3);
    EXPECT_EQ(rows(), 3);
}

TEST_F(DBControlsTest, GridDownOnTheLastRowAppendsAndMovingUpDropsTheUntouchedRow) {
    TDBGrid grid;
    grid.SetColumns({{QStringLiteral("LfdNr")}});
    grid.SetDataSource(&source);
    query->Last();
    key(grid, Qt::Key_Down);
    EXPECT_EQ(query->State(), TDataSetState::dsInsert);
    EXPECT_EQ(grid.model()->rowCount(), 4);
    grid.setCurrentIndex(grid.model()->index(2, 0));
    EXPECT_EQ(query->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(query->RecordCount(), 3);
    EXPECT_EQ(query->RecNo(), 3);
    EXPECT_EQ(rows(), 3);
}

// A query whose controls are disabled changes without the grid: the grid keeps the rows it
// was told of until they are enabled again.
TEST_F(DBControlsTest, GridKeepsItsRowsWhileTheQuerysControlsAreDisabled) {
    TDBGrid grid;
    grid.SetColumns({{QStringLiteral("LfdNr")}});
    grid.SetDataSource(&source);
    query->DisableControls();
    query->Append();
    query->FieldByName(QStringLiteral("LfdNr")).SetAsInteger(4);
    query->Post();
    query->First();
    query->Delete();
    query->Delete();
    EXPECT_EQ(grid.model()->rowCount(), 3);
    query->EnableControls();
    EXPECT_EQ(grid.model()->rowCount(), 2);
    EXPECT_EQ(grid.CellText(1, 0), QStringLiteral("4"));
}

// ---- navigator

TEST_F(DBControlsTest, NavigatorMovesAndEnablesItsButtons) {
    TDBNavigator nav;
    nav.SetDataSource(&source);
    EXPECT_FALSE(nav.Button(TNavigateBtn::nbFirst)->isEnabled());
    EXPECT_FALSE(nav.Button(TNavigateBtn::nbPrior)->isEnabled());
    EXPECT_TRUE(nav.Button(TNavigateBtn::nbNext)->isEnabled());
    nav.Button(TNavigateBtn::nbLast)->click();
    EXPECT_EQ(query->RecNo(), 3);
    EXPECT_FALSE(nav.Button(TNavigateBtn::nbNext)->isEnabled());
    EXPECT_FALSE(nav.Button(TNavigateBtn::nbLast)->isEnabled());
    nav.Button(TNavigateBtn::nbPrior)->click();
    EXPECT_EQ(query->RecNo(), 2);
    nav.Button(TNavigateBtn::nbFirst)->click();
    EXPECT_EQ(query->RecNo(), 1);
    nav.Button(TNavigateBtn::nbNext)->click();
    EXPECT_EQ(query->RecNo(), 2);
    nav.Button(TNavigateBtn::nbInsert)->click();
    EXPECT_EQ(query->State(), TDataSetState::dsInsert);
    EXPECT_EQ(query->RecNo(), 2);
    query->Cancel();
}

TEST_F(DBControlsTest, NavigatorDeleteAsksDatensatzLoeschen) {
    TDBNavigator nav;
    nav.SetDataSource(&source);
    {
        Answer answer(MessageResult::Cancel);
        nav.Button(TNavigateBtn::nbDelete)->click();
        ASSERT_EQ(answer.texts.size(), 1u);
        EXPECT_EQ(answer.texts[0], QStringLiteral("Datensatz löschen?"));
    }
    EXPECT_EQ(rows(), 3);
    Answer answer(MessageResult::Ok);
    nav.Button(TNavigateBtn::nbDelete)->click();
    nav.Button(TNavigateBtn::nbDelete)->click();
    nav.Button(TNavigateBtn::nbDelete)->click();
    EXPECT_EQ(answer.texts.size(), 3u);
    EXPECT_EQ(rows(), 0);
    EXPECT_FALSE(nav.Button(TNavigateBtn::nbDelete)->isEnabled());
}

TEST_F(DBControlsTest, NavigatorShowsOnlyTheChosenButtons) {
    TDBNavigator nav;
    nav.SetVisibleButtons({TNavigateBtn::nbFirst, TNavigateBtn::nbPrior, TNavigateBtn::nbNext,
                           TNavigateBtn::nbLast, TNavigateBtn::nbDelete});
    nav.show();
    EXPECT_FALSE(nav.Button(TNavigateBtn::nbInsert)->isVisible());
    EXPECT_TRUE(nav.Button(TNavigateBtn::nbDelete)->isVisible());
}

} // namespace
