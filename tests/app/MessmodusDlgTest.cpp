#include "tests/support/FakeTesterLink.h"

#include "app/MainForm.h"
#include "app/MessmodusDlg.h"
#include "app/SchnittstelleDlg.h"
#include "platform/database.h"
#include "platform/ini_file.h"
#include "platform/message_box.h"
#include "platform/query.h"
#include "records/ProgramDatabase.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/support/tester_script.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// A click of the user on a row of the list.
void clickRow(QTreeWidget* list, int row) {
    QTreeWidgetItem* item = list->topLevelItem(row);
    ASSERT_NE(item, nullptr);
    list->scrollToItem(item);
    const QPoint at = list->visualItemRect(item).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &release);
}

class MessmodusDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ini = dir.filePath("geraetetester.INI");
        db = std::make_unique<platform::Database>(dir.filePath("daten.sqlite"), ProgramDatabaseSchema());
        platform::Database::SetCurrent(db.get());
        db->Execute(QStringLiteral(
            R"(INSERT INTO "Pruefung.db" (PruefungsNr, Menueflags, Schutzklasse, GrwSchutzleiterwid,
               GrwIsolationswid, GrwAbleitstrom) VALUES (17, 8, 1, 150, 500, 700))"));
        previousBoxes = platform::setMessageBoxHandler(
            [this](const QString& text, platform::MessageButtons, platform::MessageIcon) {
                boxes << text;
                return platform::MessageResult::Ok;
            });
        Globals::aktCheckNumber = 0;
        link.level = 0;
        link.sequence = {0, 0, 1, 1, 1, 0, 0, 0};
        dlg = std::make_unique<TMessmodusDlg>(nullptr, ini);
    }
    void TearDown() override {
        dlg.reset();
        platform::Database::SetCurrent(nullptr);
        platform::setMessageBoxHandler(previousBoxes);
        Globals::aktCheckNumber = 0;
    }

    // Shows the dialog for the link's tester; user acts while it is shown. Returns whether it
    // closed with OK.
    bool choose(const std::function<void()>& user) {
        QTimer::singleShot(0, [&] {
            user();
            if (dlg->isVisible())
                QTimer::singleShot(0, [&] { dlg->reject(); });
        });
        return dlg->Choose(link.FirmwareLevel());
    }

    QTemporaryDir dir;
    QString ini;
    std::unique_ptr<platform::Database> db;
    QStringList boxes;
    platform::MessageBoxHandler previousBoxes;
    FakeTesterLink link;
    TTesterSettings settings{link};
    int hold = 0;
    TMeasuringModeWriter writer{link, settings, hold, 3};
    std::unique_ptr<TMessmodusDlg> dlg;
};

TEST_F(MessmodusDlgTest, ListsTheRowsTheTesterKnows) {
    EXPECT_TRUE(choose([&] {
        EXPECT_EQ(dlg->ListView1->topLevelItemCount(), 24);
        EXPECT_EQ(dlg->ListView1->topLevelItem(23)->text(0), "80");
        EXPECT_TRUE(dlg->ListView1->selectedItems().isEmpty());
        dlg->OKBtn->click();
    }));
    link.level = 1;
    EXPECT_FALSE(choose([&] {
        ASSERT_EQ(dlg->ListView1->topLevelItemCount(), 36);
        QTreeWidgetItem* last = dlg->ListView1->topLevelItem(35);
        EXPECT_EQ(last->text(0), "57");
        EXPECT_EQ(last->text(1), "II");
        EXPECT_EQ(last->text(2), "I + D");
        EXPECT_EQ(last->text(3), "ja");
        EXPECT_EQ(last->text(4), "0702");
        EXPECT_EQ(last->text(5), "ja");
        dlg->CancelBtn->click();
    }));
    EXPECT_EQ(dlg->ListView1->headerItem()->text(3), "Berührstr.");
    EXPECT_EQ(dlg->windowTitle(), "Messmodus-Einstellung");
    std::vector<int> widths;
    for (int c = 0; c < 6; ++c)
        widths.push_back(dlg->ListView1->columnWidth(c));
    EXPECT_EQ(widths, (std::vector<int>{50, 60, 50, 60, 60, 45})) << "the last column is not stretched";
}

TEST_F(MessmodusDlgTest, ExecuteListsTheRowsOfTheLinksTester) {
    link.level = 1;
    int rows = 0;
    QTimer::singleShot(0, [&] {
        rows = dlg->ListView1->topLevelItemCount();
        dlg->CancelBtn->click();
    });
    EXPECT_FALSE(dlg->Execute(TModeWriterParts{link, settings, hold, 3}));
    EXPECT_EQ(rows, 36);
    EXPECT_TRUE(link.events.empty());
}

TEST_F(MessmodusDlgTest, ChosenTableRowIsWritten) {
    EXPECT_TRUE(choose([&] {
        EXPECT_FALSE(dlg->RadioButton2->isChecked());
        clickRow(dlg->ListView1, 12); // "87"
        EXPECT_TRUE(dlg->RadioButton2->isChecked());
        dlg->OKBtn->click();
    }));
    EXPECT_TRUE(dlg->ApplyChoice(writer));
    EXPECT_EQ(link.block.d[0], Menueflags::mitBeruehr);
    EXPECT_EQ(link.block.d[2] & 3, 2);
    EXPECT_EQ(hold, 3);
    // The next showing keeps the choice of source but no row.
    EXPECT_TRUE(choose([&] {
        EXPECT_TRUE(dlg->RadioButton2->isChecked());
        EXPECT_TRUE(dlg->ListView1->selectedItems().isEmpty());
        dlg->OKBtn->click();
    }));
    link.clear();
    EXPECT_FALSE(dlg->ApplyChoice(writer));
    EXPECT_TRUE(link.events.empty());
}

TEST_F(MessmodusDlgTest, NothingChosenWritesNothing) {
    EXPECT_TRUE(choose([&] { dlg->OKBtn->click(); }));
    EXPECT_FALSE(dlg->ApplyChoice(writer));
    EXPECT_TRUE(link.events.empty());
    EXPECT_EQ(hold, 0);
}

TEST_F(MessmodusDlgTest, StoredTestChoiceNeedsACurrentStoredTest) {
    EXPECT_FALSE(choose([&] {
        EXPECT_FALSE(dlg->RadioButton1->isEnabled());
        dlg->CancelBtn->click();
    }));
    Globals::aktCheckNumber = 17;
    EXPECT_TRUE(choose([&] {
        EXPECT_TRUE(dlg->RadioButton1->isEnabled());
        dlg->RadioButton1->click();
        dlg->OKBtn->click();
    }));
    EXPECT_TRUE(dlg->ApplyChoice(writer));
    // class I, insulation off, touch current off, 0701, single, manual limits; then the
    // insulation (500 = 2) and leakage (700 = 5) limits but no 150 mOhm, which the
    // 8-entry table lacks.
    EXPECT_EQ(link.block.d[0], Menueflags::manuGrenz);
    EXPECT_EQ(link.block.d[2] & 3, 1);
    EXPECT_EQ((FakeTesterLink::Bytes(link.sequence.begin() + 2, link.sequence.begin() + 5)),
              (FakeTesterLink::Bytes{1, 2, 5}));
    EXPECT_EQ(link.events.back(), "resume");
    EXPECT_TRUE(boxes.isEmpty());

    // The browser showed no test since: the choice stays, and finds no test 0.
    Globals::aktCheckNumber = 0;
    EXPECT_TRUE(choose([&] {
        EXPECT_FALSE(dlg->RadioButton1->isEnabled());
        dlg->OKBtn->click();
    }));
    link.clear();
    EXPECT_FALSE(dlg->ApplyChoice(writer));
    EXPECT_EQ(boxes, QStringList{"Der Satz wurde nicht gefunden."});
    EXPECT_TRUE(link.events.empty());
}

TEST_F(MessmodusDlgTest, MissingStoredTestIsReportedAndNothingIsSent) {
    EXPECT_FALSE(TMessmodusDlg::ApplyStoredTest(writer, 99));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.front(), "Der Satz wurde nicht gefunden.");
    EXPECT_TRUE(link.events.empty()); // not even paused
    EXPECT_EQ(hold, 0);
}

TEST_F(MessmodusDlgTest, DatabaseErrorIsShownNotThrown) {
    db->Execute(QStringLiteral(R"(DROP TABLE "Pruefung.db")"));
    EXPECT_FALSE(TMessmodusDlg::ApplyStoredTest(writer, 17));
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_TRUE(link.events.empty());
}

TEST_F(MessmodusDlgTest, ReadsTheModeOfTheTestAQueryStandsOn) {
    platform::TQuery query;
    query.SQLAdd(QStringLiteral(R"(select * from "Pruefung.db" where PruefungsNr=17)"));
    query.Open();
    const TStoredTestMode mode = TMessmodusDlg::ReadStoredTestMode(query);
    EXPECT_EQ(mode.Menueflags, 8);
    EXPECT_EQ(mode.Schutzklasse, 1);
    EXPECT_EQ(mode.GrwSchutzleiterwid, 150);
    EXPECT_EQ(mode.GrwIsolationswid, 500);
    EXPECT_EQ(mode.GrwAbleitstrom, 700);
}

TEST_F(MessmodusDlgTest, KeepsItsPositionInTheConfigurationFile) {
    EXPECT_EQ(dlg->pos(), QPoint(192, 107)); // no file: the designed place
    dlg->move(300, 210);
    dlg.reset();
    {
        platform::IniFile file(ini);
        EXPECT_EQ(file.readInteger(QStringLiteral("Position"), QStringLiteral("MessmodLeft"), 0), 300);
        EXPECT_EQ(file.readInteger(QStringLiteral("Position"), QStringLiteral("MessmodTop"), 0), 210);
    }
    dlg = std::make_unique<TMessmodusDlg>(nullptr, ini);
    EXPECT_EQ(dlg->pos(), QPoint(300, 210));
}

TEST_F(MessmodusDlgTest, PlaceOffTheScreenShowsTheWholeDialogAndIsSavedAsShown) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QPoint saved : {QPoint(-3000, -3000), QPoint(area.right() - 100, 100)}) {
        dlg.reset();
        {
            platform::IniFile file(ini);
            file.writeInteger(QStringLiteral("Position"), QStringLiteral("MessmodLeft"), saved.x());
            file.writeInteger(QStringLiteral("Position"), QStringLiteral("MessmodTop"), saved.y());
        }
        dlg = std::make_unique<TMessmodusDlg>(nullptr, ini);
        QRect frame;
        choose([&] {
            ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
            frame = dlg->frameGeometry();
        });
        EXPECT_TRUE(area.contains(frame)) << frame.x() << "," << frame.y();
        dlg.reset();
        const platform::IniFile file(ini);
        EXPECT_EQ(QPoint(file.readInteger(QStringLiteral("Position"), QStringLiteral("MessmodLeft"), 0),
                         file.readInteger(QStringLiteral("Position"), QStringLiteral("MessmodTop"), 0)),
                  frame.topLeft());
    }
}

} // namespace

// The dialog on the program's main window, against the tester double over a pseudo-terminal.
namespace {

class MessmodusOnMainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tester.start());
        qputenv("GERAETETESTER_COM1", tester.slavePath().c_str());
        ini = dir.filePath("geraetetester.INI");
        db = std::make_unique<platform::Database>(dir.filePath("daten.sqlite"), ProgramDatabaseSchema());
        platform::Database::SetCurrent(db.get());
        previousBoxes = platform::setMessageBoxHandler(
            [this](const QString& text, platform::MessageButtons, platform::MessageIcon) {
                boxes << text;
                return platform::MessageResult::Ok;
            });
        SchnittstelleDlg = new TSchnittstelleDlg;
        // Before connecting: every settings frame the tester sends carries this block.
        tester.withState([](TesterDouble::State& s) { s.settings = {0x05, 0, 1, 20, 0, 0, 0, 0}; });
        form = std::make_unique<TForm1>(ini);
        Form1 = form.get();
        dlg = std::make_unique<TMessmodusDlg>(nullptr, ini);
        form->show();
        form->ToolButton10->click();
        ASSERT_TRUE(form->IsConnected());
    }
    void TearDown() override {
        dlg.reset();
        form.reset();
        Form1 = nullptr;
        delete SchnittstelleDlg;
        SchnittstelleDlg = nullptr;
        platform::Database::SetCurrent(nullptr);
        platform::setMessageBoxHandler(previousBoxes);
        qunsetenv("GERAETETESTER_COM1");
        Globals::aktCheckNumber = 0;
    }

    bool execute(const std::function<void()>& user) {
        QTimer::singleShot(0, [&] {
            user();
            if (dlg->isVisible())
                QTimer::singleShot(0, [&] { dlg->reject(); });
        });
        return dlg->Execute(form->ModeWriterParts());
    }

    TesterDouble tester;
    TesterScript script{tester, 100};
    QTemporaryDir dir;
    QString ini;
    std::unique_ptr<platform::Database> db;
    QStringList boxes;
    platform::MessageBoxHandler previousBoxes;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<TMessmodusDlg> dlg;
};

TEST_F(MessmodusOnMainWindowTest, TableRowReachesTheTester) {
    EXPECT_TRUE(execute([&] {
        clickRow(dlg->ListView1, 12); // "87": II, touch current, 0701, single
        dlg->OKBtn->click();
    }));
    const auto settings = tester.state().settings;
    EXPECT_EQ(settings[0], Menueflags::mitBeruehr);
    EXPECT_EQ(settings[2] & 3, 2);
    EXPECT_EQ(settings[3], 20);           // the measuring time is written back as read
    EXPECT_TRUE(form->Timer2->Enabled()); // the refresh runs again
}

TEST_F(MessmodusOnMainWindowTest, StoredTestSetsModeAndManualLimits) {
    db->Execute(QStringLiteral(
        R"(INSERT INTO "Pruefung.db" (PruefungsNr, Menueflags, Schutzklasse, GrwSchutzleiterwid,
           GrwIsolationswid, GrwAbleitstrom) VALUES (5, 31, 1, 500, 2000, 350))"));
    Globals::aktCheckNumber = 5;
    EXPECT_TRUE(execute([&] {
        dlg->RadioButton1->click();
        dlg->OKBtn->click();
    }));
    const TesterDouble::State s = tester.state();
    EXPECT_EQ(s.settings[0], 31);
    EXPECT_EQ(s.settings[2] & 3, 1);
    // 500 mOhm = 2, 2000 kOhm = 4, 3.5 mA = 1.
    EXPECT_EQ(s.limitIndices[0], 2);
    EXPECT_EQ(s.limitIndices[1], 4);
    EXPECT_EQ(s.limitIndices[2], 1);
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(MessmodusOnMainWindowTest, SilentTesterEndsTheChainAndTheRefreshResumes) {
    script.setSilent(true);
    EXPECT_FALSE(execute([&] {
        clickRow(dlg->ListView1, 8); // "91": I, no insulation test, 0701, single
        dlg->OKBtn->click();
    }));
    // A frame of the tester still on its way may answer a read; whatever was written then
    // is the protection class alone (d0 as read), never the insulation test switched off.
    int writes = 0;
    for (const TProtok& f : tester.receivedFrames())
        if (f[3] == MsgSetSettings) {
            ++writes;
            EXPECT_EQ(f[4], 0x05);
        }
    EXPECT_LE(writes, 3);
    EXPECT_TRUE(form->Timer2->Enabled());
}

} // namespace

namespace {

TEST_F(MessmodusOnMainWindowTest, ModeChosenWhileAnExchangeRunsIsWrittenAfterIt) {
    {
        // The dialog was opened while the window waited for the tester.
        TExchangeGate::TScope other(form->ExchangeGate);
        EXPECT_FALSE(execute([&] {
            clickRow(dlg->ListView1, 12); // "87": II, touch current, 0701, single
            dlg->OKBtn->click();
        }));
        EXPECT_EQ(tester.state().settings[2] & 3, 1);
    }
    ASSERT_TRUE(waitFor([&] { return tester.state().settings[0] == Menueflags::mitBeruehr; }, 3000));
    EXPECT_EQ(tester.state().settings[2] & 3, 2);
}

} // namespace
