#include "app/EinstellungenDlg.h"
#include "platform/message_box.h"
#include "tests/support/text_room.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <functional>

namespace {

void key(QWidget* w, int k) {
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

// The focus moves from w to another control of the window.
void leave(QWidget* w) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &out);
}

// Typed key by key, umlauts too (QTest::keyClicks takes ASCII only).
void typeKeys(QWidget* w, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
}

// The user types text into an edit.
void type(QLineEdit* e, const QString& text) {
    e->selectAll();
    e->insert(text);
}

class EinstellungenDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int k = 1; k <= 5; ++k) {
            Globals::TopLine[k] = QStringLiteral("Firma %1").arg(k);
            Globals::BottomLine[k].clear();
        }
        Globals::Operator = QStringLiteral("Meier ");
        Globals::ServiceInterv = 365;
        Globals::Preview = true;
        Globals::ExportFile = 1;
        Globals::ExportFileName = QStringLiteral("/tmp/alt.csv");
        for (int i = 0; i < ExportColumnCount; ++i)
            Globals::ExportColumns[static_cast<size_t>(i)] =
                ExportColumnTable[static_cast<size_t>(i)].Default;
        previousBoxes = platform::setMessageBoxHandler(
            [this](const QString& text, platform::MessageButtons, platform::MessageIcon) {
                boxes << text;
                return platform::MessageResult::Ok;
            });
        previousBeep = platform::setBeepHandler([this] { ++beeps; });
    }
    void TearDown() override {
        platform::setBeepHandler(previousBeep);
        platform::setMessageBoxHandler(previousBoxes);
        platform::setSaveFileHandler(nullptr);
    }

    // Runs the dialog as the main window does; user acts while it is shown.
    bool run(const std::function<void()>& user) {
        QTimer::singleShot(0, [&] {
            user();
            // Whatever the user did, the test does not hang on an open dialog.
            if (dlg.isVisible())
                QTimer::singleShot(0, [&] { dlg.reject(); });
        });
        return dlg.Execute();
    }

    TEinstellungenDlg dlg;
    QStringList boxes;
    platform::MessageBoxHandler previousBoxes;
    int beeps = 0;
    platform::BeepHandler previousBeep;
};

TEST_F(EinstellungenDlgTest, ShowsTheCurrentValues) {
    Globals::BottomLine[2] = QStringLiteral("Tel. 123");
    dlg.FillFromValues();
    EXPECT_EQ(dlg.Memo1->toPlainText(), "Firma 1\nFirma 2\nFirma 3\nFirma 4\nFirma 5");
    EXPECT_EQ(dlg.Memo2->toPlainText(), "\nTel. 123\n\n\n");
    EXPECT_EQ(dlg.Edit1->text(), "Meier ");
    EXPECT_EQ(dlg.IntEdit1->text(), "365");
    EXPECT_TRUE(dlg.CheckBox1->isChecked());
    EXPECT_EQ(dlg.RadioGroup1->ItemIndex(), 1);
    EXPECT_EQ(dlg.Edit2->text(), "/tmp/alt.csv");
    int ticked = 0;
    for (int n = 2; n <= 57; ++n)
        ticked += dlg.CheckBox(n)->isChecked();
    EXPECT_EQ(ticked, 48);
    EXPECT_FALSE(dlg.CheckBox(2)->isChecked()); // KundenNr
    EXPECT_EQ(dlg.CheckBox(57)->text(), "Sichtprüfung");
    EXPECT_TRUE(dlg.CheckBox(57)->isChecked());
    EXPECT_EQ(dlg.CheckBox(56)->text(), "Enables");
    EXPECT_EQ(dlg.windowTitle(), "Einstellungen");
}

TEST_F(EinstellungenDlgTest, ALongInspectorNameShowsItsStart) {
    Globals::Operator = QStringLiteral("Dipl.-Ing. Hans-Joachim Müller-Schönberger");
    EXPECT_TRUE(run([&] {
        QLineEdit* edit = dlg.Edit1;
        EXPECT_EQ(edit->cursorPosition(), 0);
        // The edit looks at its left as one holding only the name's start.
        const QString start = QStringLiteral("Dipl.");
        QLineEdit plain(start, &dlg);
        plain.setGeometry(edit->geometry());
        plain.show();
        const QRect left(0, 0, edit->fontMetrics().horizontalAdvance(start), edit->height());
        EXPECT_TRUE(edit->grab().toImage().copy(left) == plain.grab().toImage().copy(left));
        dlg.BitBtn1->click();
    }));
    EXPECT_EQ(Globals::Operator, "Dipl.-Ing. Hans-Joachim Müller-Schönberger");
}

// The control that Tab moves to from w.
QWidget* nextTab(QWidget* w) {
    do
        w = w->nextInFocusChain();
    while (!(w->focusPolicy() & Qt::TabFocus));
    return w;
}

TEST_F(EinstellungenDlgTest, TabFollowsTheDesignedOrder) {
    EXPECT_EQ(nextTab(dlg.IntEdit1), dlg.BitBtn1);
    EXPECT_EQ(nextTab(dlg.BitBtn2), dlg.CheckBox1);
    EXPECT_EQ(nextTab(dlg.Edit2), dlg.BitBtn3);
    EXPECT_EQ(nextTab(dlg.BitBtn3), dlg.CheckBox(2));
    // The Sichtprüfung box stands at the foot of the second column but keeps its index.
    EXPECT_EQ(nextTab(dlg.CheckBox(24)), dlg.CheckBox(57));
    EXPECT_EQ(nextTab(dlg.CheckBox(57)), dlg.CheckBox(25));
}

TEST_F(EinstellungenDlgTest, OkTakesEveryValueBack) {
    const bool ok = run([&] {
        dlg.Memo1->setPlainText(QStringLiteral("A\nB"));
        dlg.Memo2->setPlainText(QStringLiteral("1\n2\n3\n4\n5\n6\n7"));
        type(dlg.Edit1, QStringLiteral("  Schulze"));
        type(dlg.IntEdit1, QStringLiteral("-30"));
        leave(dlg.IntEdit1);
        dlg.CheckBox1->click();
        dlg.RadioGroup1->Button(0)->click();
        for (int n = 2; n <= 57; ++n)
            if (dlg.CheckBox(n)->isChecked())
                dlg.CheckBox(n)->click();
        dlg.BitBtn1->click();
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(Globals::TopLine[1], "A");
    EXPECT_EQ(Globals::TopLine[2], "B");
    EXPECT_TRUE(Globals::TopLine[3].isEmpty() && Globals::TopLine[5].isEmpty());
    EXPECT_EQ(Globals::BottomLine[5], "5");
    EXPECT_EQ(Globals::Operator, "  Schulze");
    EXPECT_EQ(Globals::ServiceInterv, -30);
    EXPECT_FALSE(Globals::Preview);
    EXPECT_EQ(Globals::ExportFile, 0);
    EXPECT_EQ(Globals::ExportFileName, "/tmp/alt.csv");
    for (bool on : Globals::ExportColumns)
        EXPECT_FALSE(on);
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(EinstellungenDlgTest, EmptiedFileNameMakesTheExportAskAgain) {
    EXPECT_TRUE(run([&] {
        type(dlg.Edit2, QString());
        dlg.BitBtn1->click();
    }));
    EXPECT_EQ(Globals::ExportFile, 0);
    EXPECT_TRUE(Globals::ExportFileName.isEmpty());
}

TEST_F(EinstellungenDlgTest, FiveEmptyProtocolLinesStayFiveEmptyLines) {
    for (int k = 1; k <= 5; ++k)
        Globals::TopLine[k].clear();
    EXPECT_TRUE(run([&] {
        EXPECT_EQ(dlg.Memo1->toPlainText(), "\n\n\n\n");
        dlg.BitBtn1->click();
    }));
    for (int k = 1; k <= 5; ++k)
        EXPECT_TRUE(Globals::TopLine[k].isEmpty());
}

TEST_F(EinstellungenDlgTest, ExportFileOutsideTheItemsShowsTheNearestOrNone) {
    Globals::ExportFile = 2;
    EXPECT_TRUE(run([&] {
        EXPECT_EQ(dlg.RadioGroup1->ItemIndex(), 1);
        dlg.BitBtn1->click();
    }));
    EXPECT_EQ(Globals::ExportFile, 1);
    Globals::ExportFile = -4;
    EXPECT_TRUE(run([&] {
        EXPECT_EQ(dlg.RadioGroup1->ItemIndex(), -1);
        key(dlg.Edit1, Qt::Key_Return); // Enter outside the memos is OK
    }));
    EXPECT_EQ(Globals::ExportFile, -1);
}

TEST_F(EinstellungenDlgTest, CancelEscapeAndCloseChangeNothingEvenAfterSuch) {
    platform::setSaveFileHandler([](const platform::SaveFileRequest&) {
        return platform::SaveFileResult{true, QStringLiteral("/tmp/neu.csv")};
    });
    EXPECT_FALSE(run([&] {
        dlg.BitBtn3->click();
        EXPECT_EQ(dlg.Edit2->text(), "/tmp/neu.csv");
        type(dlg.Edit1, QStringLiteral("Anders"));
        dlg.BitBtn2->click();
    }));
    EXPECT_FALSE(run([&] {
        dlg.BitBtn3->click();
        dlg.Memo1->setPlainText(QStringLiteral("weg"));
        key(dlg.Edit2, Qt::Key_Escape);
    }));
    EXPECT_FALSE(run([&] {
        dlg.CheckBox1->click();
        dlg.close();
    }));
    EXPECT_EQ(Globals::ExportFileName, "/tmp/alt.csv");
    EXPECT_EQ(Globals::Operator, "Meier ");
    EXPECT_EQ(Globals::TopLine[1], "Firma 1");
    EXPECT_TRUE(Globals::Preview);
}

TEST_F(EinstellungenDlgTest, EnterInAMemoStartsANewLine) {
    EXPECT_TRUE(run([&] {
        dlg.Memo1->setPlainText(QStringLiteral("A\nB"));
        dlg.Memo1->moveCursor(QTextCursor::End);
        key(dlg.Memo1, Qt::Key_Return);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.Memo1->toPlainText(), "A\nB\n");
        dlg.BitBtn1->click();
    }));
    EXPECT_EQ(Globals::TopLine[2], "B");
}

TEST_F(EinstellungenDlgTest, FullMemoRefusesASixthLineTypedOrPasted) {
    const QString full = QStringLiteral("Firma 1\nFirma 2\nFirma 3\nFirma 4\nFirma 5");
    EXPECT_TRUE(run([&] {
        QTextCursor c = dlg.Memo1->textCursor();
        c.setPosition(9); // in the middle of "Firma 2"
        dlg.Memo1->setTextCursor(c);
        key(dlg.Memo1, Qt::Key_Return);
        EXPECT_TRUE(dlg.isVisible()) << "nor is it the dialog's OK";
        EXPECT_EQ(dlg.Memo1->toPlainText(), full);
        EXPECT_EQ(beeps, 1);
        QApplication::clipboard()->setText(QStringLiteral("X\nY"));
        dlg.Memo1->paste();
        EXPECT_EQ(dlg.Memo1->toPlainText(), full);
        EXPECT_EQ(beeps, 2);
        // A break that replaces one fits, as does a paste of one line.
        c.setPosition(7);
        c.setPosition(9, QTextCursor::KeepAnchor); // "\nF"
        dlg.Memo1->setTextCursor(c);
        key(dlg.Memo1, Qt::Key_Return);
        EXPECT_EQ(dlg.Memo1->toPlainText(), "Firma 1\nirma 2\nFirma 3\nFirma 4\nFirma 5");
        QApplication::clipboard()->setText(QStringLiteral("X"));
        dlg.Memo1->paste();
        EXPECT_EQ(dlg.Memo1->toPlainText(), "Firma 1\nXirma 2\nFirma 3\nFirma 4\nFirma 5");
        EXPECT_EQ(beeps, 2) << "what fits is taken without a sound";
        dlg.BitBtn1->click();
    }));
    EXPECT_EQ(Globals::TopLine[5], "Firma 5");

    EXPECT_TRUE(run([&] {
        dlg.Memo2->setPlainText(QStringLiteral("a\nb"));
        QApplication::clipboard()->setText(QStringLiteral("1\n2\n3\n4\n5"));
        dlg.Memo2->moveCursor(QTextCursor::End);
        dlg.Memo2->paste();
        EXPECT_EQ(dlg.Memo2->toPlainText(), "a\nb");
        QApplication::clipboard()->setText(QStringLiteral("1\n2"));
        dlg.Memo2->paste();
        EXPECT_EQ(dlg.Memo2->toPlainText(), "a\nb1\n2");
        dlg.BitBtn1->click();
    }));
    EXPECT_EQ(Globals::BottomLine[3], "2");
}

// The memos hold five lines, empty ones included, as the dialog fills them.
TEST_F(EinstellungenDlgTest, EnterInAFilledMemoTakesOneOfItsEmptyLastLines) {
    for (int k = 1; k <= 5; ++k)
        Globals::TopLine[k].clear();
    for (int k = 1; k <= 4; ++k)
        Globals::BottomLine[k] = QString::number(k);
    EXPECT_TRUE(run([&] {
        QWidget* area = dlg.Memo1->viewport();
        QTest::mouseClick(area, Qt::LeftButton, {}, area->rect().center());
        typeKeys(dlg.Memo1, QStringLiteral("Elektro Schäfer GmbH"));
        QTest::keyClick(dlg.Memo1, Qt::Key_Return);
        typeKeys(dlg.Memo1, QStringLiteral("Prüfdienst Süd"));
        QTest::keyClick(dlg.Memo1, Qt::Key_Return);
        typeKeys(dlg.Memo1, QStringLiteral("Lindenstraße 12"));
        EXPECT_EQ(dlg.Memo1->toPlainText(), "Elektro Schäfer GmbH\nPrüfdienst Süd\nLindenstraße 12\n\n");

        // A break at the top moves the lines down into the empty last one; then they are full.
        dlg.Memo2->moveCursor(QTextCursor::Start);
        QTest::keyClick(dlg.Memo2, Qt::Key_Return);
        EXPECT_EQ(dlg.Memo2->toPlainText(), "\n1\n2\n3\n4");
        QTest::keyClick(dlg.Memo2, Qt::Key_Return);
        QApplication::clipboard()->setText(QStringLiteral("a\nb"));
        dlg.Memo2->paste();
        EXPECT_EQ(dlg.Memo2->toPlainText(), "\n1\n2\n3\n4");
        EXPECT_TRUE(dlg.isVisible());
        dlg.BitBtn1->click();
    }));
    EXPECT_EQ(Globals::TopLine[1], "Elektro Schäfer GmbH");
    EXPECT_EQ(Globals::TopLine[2], "Prüfdienst Süd");
    EXPECT_EQ(Globals::TopLine[3], "Lindenstraße 12");
    EXPECT_TRUE(Globals::TopLine[4].isEmpty() && Globals::TopLine[5].isEmpty());
    EXPECT_EQ(Globals::BottomLine[5], "4");
}

// Five typed lines fill the memo; a break at the end of the fifth has nowhere to go.
TEST_F(EinstellungenDlgTest, ABreakAfterTheFifthLineIsRefusedAndTheFiveLinesStayInView) {
    for (int k = 1; k <= 5; ++k)
        Globals::TopLine[k].clear();
    const QString typed =
        QStringLiteral("Elektro Schäfer GmbH\nPrüfdienst\nLindenstraße 12\n12345 Ulm\nTel. 0731");
    EXPECT_TRUE(run([&] {
        QWidget* area = dlg.Memo1->viewport();
        QTest::mouseClick(area, Qt::LeftButton, {}, area->rect().center());
        const QStringList lines = typed.split(u'\n');
        for (qsizetype k = 0; k < lines.size(); ++k) {
            if (k > 0)
                QTest::keyClick(dlg.Memo1, Qt::Key_Return);
            typeKeys(dlg.Memo1, lines[k]);
        }
        ASSERT_EQ(dlg.Memo1->toPlainText(), typed);
        ASSERT_EQ(beeps, 0);
        QTest::keyClick(dlg.Memo1, Qt::Key_Return);
        QApplication::clipboard()->setText(QStringLiteral("\n"));
        QTest::keyClick(dlg.Memo1, Qt::Key_V, Qt::ControlModifier);
        QApplication::processEvents();
        EXPECT_EQ(dlg.Memo1->toPlainText(), typed);
        EXPECT_EQ(beeps, 2);
        EXPECT_EQ(dlg.Memo1->verticalScrollBar()->maximum(), 0) << "all five lines fit";
        EXPECT_EQ(dlg.Memo1->verticalScrollBar()->value(), 0);
        EXPECT_EQ(dlg.Memo1->cursorForPosition(QPoint(1, 1)).blockNumber(), 0) << "line 1 is at the top";
        dlg.BitBtn1->click();
    }));
    EXPECT_EQ(Globals::TopLine[1], "Elektro Schäfer GmbH");
    EXPECT_EQ(Globals::TopLine[5], "Tel. 0731");
}

// A line wider than the memo stays one line of it: the five lines stay in view, each whole.
TEST_F(EinstellungenDlgTest, ALongLineScrollsSidewaysAndAllFiveLinesStayInView) {
    Globals::TopLine[2] = QStringLiteral("Elektro Müller & Söhne GmbH, Hauptstraße 123, 89073 Ulm");
    for (int k = 1; k <= 5; ++k)
        Globals::BottomLine[k] = QStringLiteral("Zeile %1").arg(k);
    Globals::BottomLine[4] = QStringLiteral("Sparkasse Ulm, IBAN DE12"); // fits, but not in half the memo
    const QString added = QStringLiteral(" und Geschäftsführer Hans-Joachim Müller");
    const auto allInView = [](TProtocolLinesMemo* m) {
        SCOPED_TRACE(m->objectName().toStdString());
        QTextDocument* doc = m->document();
        EXPECT_EQ(doc->lineCount(), ProtocolLineCount);
        EXPECT_EQ(m->verticalScrollBar()->maximum(), 0);
        for (int k = 0; k < doc->blockCount(); ++k) {
            const QRect line = m->cursorRect(QTextCursor(doc->findBlockByNumber(k)));
            EXPECT_GE(line.top(), 0) << k;
            EXPECT_LE(line.bottom(), m->viewport()->height()) << k;
        }
    };
    const auto startInView = [](TProtocolLinesMemo* m, int k) {
        return m->cursorRect(QTextCursor(m->document()->findBlockByNumber(k))).left() >= 0;
    };
    EXPECT_TRUE(run([&] {
        allInView(dlg.Memo1);
        allInView(dlg.Memo2);
        EXPECT_TRUE(startInView(dlg.Memo1, 1));
        QWidget* area = dlg.Memo2->viewport();
        QTest::mouseClick(area, Qt::LeftButton, {}, area->rect().center());
        dlg.Memo2->moveCursor(QTextCursor::End);
        typeKeys(dlg.Memo2, added);
        allInView(dlg.Memo2);
        const QRect cursor = dlg.Memo2->cursorRect();
        EXPECT_TRUE(cursor.left() >= 0 && cursor.right() <= area->width()) << "the typed end is in view";
        EXPECT_FALSE(startInView(dlg.Memo2, 4));
        // The line above, which fits, shows whole again.
        QTest::keyClick(dlg.Memo2, Qt::Key_Up);
        EXPECT_TRUE(startInView(dlg.Memo2, 3));
        EXPECT_LE(dlg.Memo2->cursorRect().right(), area->width());
        EXPECT_EQ(beeps, 0);
        dlg.BitBtn1->click();
    }));
    EXPECT_EQ(Globals::TopLine[2], "Elektro Müller & Söhne GmbH, Hauptstraße 123, 89073 Ulm");
    EXPECT_EQ(Globals::BottomLine[5], QStringLiteral("Zeile 5") + added);
    EXPECT_TRUE(run([&] {
        allInView(dlg.Memo1);
        allInView(dlg.Memo2);
        EXPECT_TRUE(startInView(dlg.Memo2, 4));
        dlg.BitBtn1->click();
    }));
}

TEST_F(EinstellungenDlgTest, SuchOffersTheFieldsNameAndTakesTheChosenOne) {
    platform::SaveFileRequest asked;
    bool accept = true;
    platform::setSaveFileHandler([&](const platform::SaveFileRequest& r) {
        asked = r;
        return accept ? platform::SaveFileResult{true, QStringLiteral("/tmp/gewaehlt.csv")}
                      : platform::SaveFileResult{};
    });
    Globals::ExportFile = 0;
    EXPECT_TRUE(run([&] {
        dlg.BitBtn3->click();
        dlg.BitBtn1->click();
    }));
    EXPECT_EQ(asked.FileName, "/tmp/alt.csv");
    EXPECT_EQ(asked.Title, "Exportdatei");
    EXPECT_EQ(asked.Filter, "CSV-Dateien (*.csv)|*.csv|alle Dateien (*.*)|*.*");
    EXPECT_EQ(asked.DefaultExtension, "csv");
    EXPECT_TRUE(asked.Options & platform::fdPathMustExist);
    EXPECT_FALSE(asked.Options & platform::fdOverwritePrompt);
    // The name is kept, but the export still asks: "such" does not choose the fixed file.
    EXPECT_EQ(Globals::ExportFileName, "/tmp/gewaehlt.csv");
    EXPECT_EQ(Globals::ExportFile, 0);

    accept = false;
    dlg.FillFromValues();
    dlg.BitBtn3Click();
    EXPECT_EQ(dlg.Edit2->text(), "/tmp/gewaehlt.csv");
}

TEST_F(EinstellungenDlgTest, ServiceIntervalThatIsNoNumberIsReportedAndKept) {
    EXPECT_TRUE(run([&] {
        type(dlg.IntEdit1, QStringLiteral("ein Jahr"));
        leave(dlg.IntEdit1);
        EXPECT_EQ(dlg.IntEdit1->text(), "ein Jahr"); // not quietly replaced
        dlg.BitBtn1->click();
        EXPECT_TRUE(dlg.isVisible());
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes.front(), ServiceIntervalMessage);
        EXPECT_EQ(dlg.IntEdit1->text(), "ein Jahr");
        type(dlg.IntEdit1, QStringLiteral("730"));
        dlg.BitBtn1->click();
    }));
    EXPECT_EQ(Globals::ServiceInterv, 730);
}

TEST_F(EinstellungenDlgTest, ServiceIntervalIsReadAsTheIntegerEditReadsIt) {
    EXPECT_TRUE(run([&] {
        type(dlg.IntEdit1, QStringLiteral("12 Tage"));
        leave(dlg.IntEdit1);
        EXPECT_EQ(dlg.IntEdit1->text(), "12");
        type(dlg.IntEdit1, QStringLiteral("30 Tage"));
        dlg.BitBtn1->click(); // straight from the edit
    }));
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_EQ(Globals::ServiceInterv, 30);
}

TEST_F(EinstellungenDlgTest, EachOpeningShowsTheValuesAgain) {
    EXPECT_FALSE(run([&] {
        type(dlg.IntEdit1, QStringLiteral("xyz"));
        type(dlg.Edit1, QStringLiteral("Neu"));
        dlg.BitBtn2->click();
    }));
    EXPECT_TRUE(run([&] {
        EXPECT_EQ(dlg.IntEdit1->text(), "365");
        EXPECT_EQ(dlg.Edit1->text(), "Meier ");
        dlg.BitBtn1->click();
    }));
    EXPECT_EQ(Globals::ServiceInterv, 365);
    EXPECT_TRUE(boxes.isEmpty());
}

} // namespace

TEST_F(EinstellungenDlgTest, EveryCaptionHasRoomAtTheDialogsFont) {
    dlg.show();
    EXPECT_EQ(CaptionsWithoutRoom(dlg).toStdString(), "");
    for (int i = 0; i < ExportColumnCount; ++i)
        EXPECT_EQ(dlg.ExportCheckBox(i)->font().pixelSize(), dlg.font().pixelSize())
            << dlg.ExportCheckBox(i)->text().toStdString();
}

TEST_F(EinstellungenDlgTest, EveryExportCaptionFitsItsBox) {
    for (int i = 0; i < ExportColumnCount; ++i) {
        const QCheckBox* box = dlg.ExportCheckBox(i);
        EXPECT_LE(box->sizeHint().width(), box->width()) << box->text().toStdString();
    }
}
