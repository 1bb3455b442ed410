#include "app/MainForm.h"
#include "app/NetzspgWarnWin.h"
#include "platform/message_box.h"
#include "tester/Limits.h"
#include "tester/TesterMessages.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/support/demo_records.h"
#include "tests/support/tester_script.h"
#include "tests/support/tester_sequence.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// Settings writes before this many are not counted (those of connecting).
size_t writesBefore = 0;

// The settings writes ($66) the tester received.
std::vector<TProtok> settingsWrites(TesterDouble& t) {
    std::vector<TProtok> writes;
    size_t n = 0;
    for (const TProtok& f : t.receivedFrames())
        if (f[3] == MsgSetSettings && n++ >= writesBefore)
            writes.push_back(f);
    return writes;
}

std::vector<int> commandBytes(TesterDouble& t) {
    std::vector<int> bytes;
    for (const TProtok& f : settingsWrites(t))
        bytes.push_back(f[4 + 7]);
    return bytes;
}

// The main window against the tester double with a test run in it (firmware level 3,
// autosend every 100 ms).
class LiveWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        tester.withState([](TesterDouble::State& s) {
            s.programVersion = "102B1AB";
            s.settings[0] = 0;  // 0701, single steps, standard limits
            s.settings[2] = 1;  // class I
            s.settings[3] = 50; // 5.0 s
        });
        ASSERT_TRUE(tester.start());
        qputenv("GERAETETESTER_COM1", tester.slavePath().c_str());
        ini = dir.filePath("geraetetester.INI");
        boxes.answer = platform::MessageResult::Yes;
        NetzspgWarnWin = new TNetzspgWarnWin;
        writesBefore = 0;
    }
    void TearDown() override {
        form.reset();
        Form1 = nullptr;
        delete NetzspgWarnWin;
        NetzspgWarnWin = nullptr;
        qunsetenv("GERAETETESTER_COM1");
    }

    void connectTester(const QString& timing = QString()) {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("[Interface]\r\nPort=1\r\n[Timing]\r\n%1").arg(timing).toUtf8());
        f.close();
        form = std::make_unique<TForm1>(ini);
        Form1 = form.get();
        form->show();
        form->ToolButton10->click();
        ASSERT_TRUE(form->IsConnected());
        // The first settings frame has been shown and the start delay after connecting is over.
        ASSERT_TRUE(waitFor(
            [&] { return form->ComboBox1->currentIndex() == 0 && form->BitBtn1->isEnabled(); }, 3000));
        // The end of that delay sent command $40; the writes of a test come after it.
        ASSERT_TRUE(waitFor([&] { return !settingsWrites(tester).empty(); }, 2000));
        ASSERT_EQ(commandBytes(tester), std::vector<int>{0x40});
        writesBefore = 1;
    }
    QString stepLabel() const { return form->Label30->text(); }

    TesterDouble tester;
    TesterScript script{tester, 100};
    TesterSequence sequence{script, 300};
    QTemporaryDir dir;
    QString ini;
    MessageBoxRecorder boxes;
    std::unique_ptr<TForm1> form;
};

} // namespace

TEST_F(LiveWindowTest, FinishedTestShowsValuesLimitsLabelsAndCounters) {
    sequence.setSteps(0x07); // no mains steps
    sequence.setExceeded(0x02);
    sequence.setStepMs(100);
    tester.withState([](TesterDouble::State& s) { s.settings[0] = 1 | 4; }); // automatic, with insulation
    connectTester();
    EXPECT_EQ(form->Label21->text(), QStringLiteral("0"));
    EXPECT_EQ(form->Label22->text(), QStringLiteral("3000"));
    EXPECT_EQ(form->RadioGroup3->ItemIndex(), 1);
    EXPECT_EQ(form->RadioGroup2->ItemIndex(), 1);
    EXPECT_FALSE(form->RadioGroup5->isEnabled()); // insulation test on
    EXPECT_EQ(stepLabel(), QStringLiteral("Ruhezustand"));
    // Standard limits of class I, DIN VDE 0701, with insulation test.
    const TStandardLimitIndices std = StandardLimitIndices(1, false, 1, 3);
    EXPECT_EQ(form->Digit1->Data(),
              LimitDisplayText(TLimitKind::lkPeResistance, std.PeResistance, 3, true, u','));
    EXPECT_EQ(form->Digit6->Data(),
              LimitDisplayText(TLimitKind::lkInsulation, std.Insulation, 3, true, u','));

    form->BitBtn1->click();
    ASSERT_TRUE(waitFor([&] { return form->Label21->text() == QStringLiteral("1"); }, 5000));
    ASSERT_TRUE(waitFor([&] { return form->Digit26->Data() == FormatAbleitstrom(35, u','); }, 2000));
    EXPECT_EQ(form->Digit16->Data(), FormatSchutzleiterwid(120));
    EXPECT_EQ(form->Digit21->Data(), FormatIsolationswid(5000, 3, u','));
    EXPECT_EQ(form->Label22->text(), QStringLiteral("2960"));
    EXPECT_FALSE(form->Label43->isHidden() == false);
    EXPECT_FALSE(form->Label44->isHidden()); // "Grenzwert unterschritten"
    EXPECT_EQ(form->WerteSatz.Isolationswid, 5000);
    EXPECT_EQ(form->WerteSatz.Grenzwertflags, 0x02);
    EXPECT_EQ(commandBytes(tester), (std::vector<int>{2, 2, 1}));
}

TEST_F(LiveWindowTest, SingleStepTestRunsThroughEveryStepWithTheRightButtonsAndCommands) {
    sequence.setStepMs(3000);
    connectTester();
    auto buttons = [&] {
        return std::vector<bool>{form->BitBtn1->isEnabled(), form->BitBtn2->isEnabled(),
                                 form->BitBtn3->isEnabled(), form->BitBtn4->isEnabled(),
                                 form->BitBtn5->isEnabled()};
    };
    EXPECT_EQ(buttons(), (std::vector<bool>{true, false, false, true, true}));

    form->BitBtn1->click();
    EXPECT_EQ(commandBytes(tester), (std::vector<int>{2, 2, 1}));
    ASSERT_TRUE(waitFor([&] { return stepLabel() == QStringLiteral("Schutzleiter-\nwiderstand"); }, 2000));
    ASSERT_TRUE(waitFor(
        [&] {
            return buttons() == std::vector<bool>{false, true, true, false, false};
        },
        2000));
    // The running row shows the rising raw value ($39); $37 still reports it as not measured.
    ASSERT_TRUE(waitFor([&] { return form->Digit16->Data() != QStringLiteral(" --- "); }, 2000));
    for (int i = 0; i < 10; ++i) {
        runFor(50);
        EXPECT_NE(form->Digit16->Data(), QStringLiteral(" --- "));
    }

    const char* const names[] = {"Isolations-\nwiderstand", "Ersatzableitstrom"};
    for (const char* name : names) {
        form->BitBtn2->click();
        ASSERT_TRUE(waitFor([&] { return stepLabel() == QString::fromUtf8(name); }, 2000)) << name;
    }
    // Measured: now from $37.
    EXPECT_TRUE(waitFor([&] { return form->Digit16->Data() == FormatSchutzleiterwid(120); }, 2000));
    EXPECT_FALSE(NetzspgWarnWin->isVisible());
    form->BitBtn2->click(); // the tester warns before it switches mains voltage on
    ASSERT_TRUE(waitFor([&] { return NetzspgWarnWin->isVisible(); }, 2000));
    EXPECT_TRUE(form->BitBtn2->isEnabled());
    EXPECT_TRUE(form->Label32->isHidden());
    form->BitBtn2->click();
    ASSERT_TRUE(waitFor([&] { return stepLabel() == QStringLiteral("Schutzleiterstrom"); }, 2000));
    ASSERT_TRUE(waitFor([&] { return !NetzspgWarnWin->isVisible(); }, 2000));
    // "ACHTUNG! 230 V~ 16A an Prüfdose"
    EXPECT_TRUE(waitFor([&] { return !form->Label32->isHidden(); }, 2000));
    if (const QByteArray path = qgetenv("GERAETETESTER_SCREENSHOT"); !path.isEmpty()) {
        runFor(800);
        form->grab().save(QString::fromLocal8Bit(path));
    }
    const char* const mains[] = {"Schutzleiterstrom\numgepolt", "Berührungsstrom",
                                 "Berührungsstrom\numgepolt"};
    for (const char* name : mains) {
        form->BitBtn2->click();
        ASSERT_TRUE(waitFor([&] { return stepLabel() == QString::fromUtf8(name); }, 2000)) << name;
    }
    form->BitBtn2->click();
    ASSERT_TRUE(waitFor([&] { return stepLabel() == QStringLiteral("Ruhezustand"); }, 2000));
    ASSERT_TRUE(waitFor(
        [&] {
            return buttons() == std::vector<bool>{false, false, false, true, true};
        },
        2000));
    ASSERT_TRUE(waitFor([&] { return form->Label32->isHidden(); }, 2000)); // with the next $34
    EXPECT_EQ(sequence.records(), 1);
    // 3.8 s after the end "Prüfung Start" comes back and command $40 goes out.
    ASSERT_TRUE(waitFor([&] { return form->BitBtn1->isEnabled(); }, 6000));
    ASSERT_TRUE(waitFor([&] { return commandBytes(tester).back() == 0x40; }, 2000));
    EXPECT_EQ(commandBytes(tester), (std::vector<int>{2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0x40}));
}

TEST_F(LiveWindowTest, AbortEndsTheRunningTestAndLightsAbbruch) {
    sequence.setStepMs(3000);
    connectTester();
    EXPECT_TRUE(form->Label41->isHidden());
    form->BitBtn1->click();
    ASSERT_TRUE(waitFor([&] { return form->BitBtn3->isEnabled(); }, 2000));
    form->BitBtn3->click();
    EXPECT_EQ(commandBytes(tester).back(), 2);
    ASSERT_TRUE(waitFor([&] { return !form->Label41->isHidden(); }, 2000)); // "Abbruch" lit
    EXPECT_TRUE(form->Label36->isHidden());
    EXPECT_EQ(sequence.runningStep(), 0);
    ASSERT_TRUE(waitFor([&] { return stepLabel() == QStringLiteral("Ruhezustand"); }, 2000));
    EXPECT_EQ(sequence.records(), 0);
}

TEST_F(LiveWindowTest, ClearMemoryAsksAndSendsClearThenAbort) {
    tester.withState([](TesterDouble::State& s) { s.records = DemoRecords(); });
    connectTester();
    ASSERT_TRUE(
        waitFor([&] { return form->Label21->text() == QString::number(DemoRecords().size()); }, 2000));
    boxes.answer = platform::MessageResult::No;
    form->BitBtn5->click();
    EXPECT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(settingsWrites(tester).empty());
    boxes.answer = platform::MessageResult::Yes;
    form->BitBtn5->click();
    EXPECT_EQ(commandBytes(tester), (std::vector<int>{16, 2}));
    ASSERT_TRUE(waitFor([&] { return form->Label21->text() == QStringLiteral("0"); }, 2000));
}

TEST_F(LiveWindowTest, ProtectionClassChoiceWritesTheBlockAndTheMirrorWritesNothing) {
    connectTester();
    form->ComboBox1->setCurrentIndex(2); // the user picks "III"
    emit form->ComboBox1->activated(2);
    const std::vector<TProtok> writes = settingsWrites(tester);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0][4 + 2] & 3, 3);
    EXPECT_TRUE(writes[0][4 + 0] & 4); // class III needs the insulation test
    EXPECT_TRUE(writes[0][4 + 5] & 4); // written by the PC
    EXPECT_EQ(writes[0][4 + 7], 0);
    EXPECT_EQ(tester.state().settings[2] & 3, 3);
    ASSERT_TRUE(waitFor([&] { return form->RadioGroup2->ItemIndex() == 1; }, 3000));

    // The tester changes its own settings: the panel follows without writing back.
    tester.withState([](TesterDouble::State& s) {
        s.settings[0] = 2 | 8; // 0702, manual limits
        s.settings[2] = 1;
        s.settings[5] |= 8;
    });
    ASSERT_TRUE(waitFor([&] { return form->ComboBox1->currentIndex() == 0; }, 3000));
    EXPECT_EQ(form->RadioGroup1->ItemIndex(), 1);
    EXPECT_EQ(form->RadioGroup4->ItemIndex(), 1);
    EXPECT_TRUE(form->CheckBox2->isChecked());
    EXPECT_TRUE(form->TrackBar1->isEnabled());
    runFor(300);
    EXPECT_EQ(settingsWrites(tester).size(), 1u);
}

TEST_F(LiveWindowTest, HoldOffKeepsTheControlsWhileTheRecordFollowsTheTester) {
    connectTester(QStringLiteral("SettingDelay=15\r\n"));
    form->RadioGroup1->Button(1)->click(); // 0702
    EXPECT_EQ(tester.state().settings[0] & 2, 2);
    tester.withState([](TesterDouble::State& s) { s.settings[0] = 1; }); // the tester goes back
    ASSERT_TRUE(waitFor([&] { return form->WerteSatz.Menueflags == 1; }, 1000));
    EXPECT_EQ(form->RadioGroup1->ItemIndex(), 1);
    EXPECT_EQ(form->RadioGroup3->ItemIndex(), 0);
    ASSERT_TRUE(waitFor([&] { return form->RadioGroup1->ItemIndex() == 0; }, 3000));
    EXPECT_EQ(form->RadioGroup3->ItemIndex(), 1);
    EXPECT_EQ(settingsWrites(tester).size(), 1u);
}

TEST_F(LiveWindowTest, ClicksWhileAnExchangeWaitsAreCarriedOutAfterIt) {
    // Time-outs well above the late answer, so that a loaded machine still gets it in time.
    connectTester(QStringLiteral("MessageAnswerRAM=3000\r\nMessageAnswerWriteEEPROM=3000\r\n"));
    tester.misbehave(TesterDouble::Misbehaviour::Late, 150);
    bool clickedMeanwhile = false;
    QTimer::singleShot(60, [&] {
        clickedMeanwhile = true;
        form->CheckBox1->click();
        form->BitBtn3->setEnabled(true);
        form->BitBtn3->click();
    });
    form->RadioGroup3->Button(1)->click();
    EXPECT_TRUE(clickedMeanwhile);
    ASSERT_TRUE(waitFor([&] { return settingsWrites(tester).size() >= 3; }, 5000));
    runFor(300);
    EXPECT_EQ(commandBytes(tester), (std::vector<int>{0, 0, 2}));
    EXPECT_EQ(tester.state().settings[0], 1 | 32); // the sequence, then the control barcode
    tester.misbehave(TesterDouble::Misbehaviour::None);
    runFor(500);
    EXPECT_TRUE(form->CheckBox1->isChecked());
    EXPECT_EQ(settingsWrites(tester).size(), 3u);
}

TEST_F(LiveWindowTest, StartClickedWhileTheMeasuringTimeIsWrittenStartsTheTest) {
    sequence.setStepMs(3000);
    connectTester(QStringLiteral("MessageAnswerRAM=3000\r\nMessageAnswerWriteEEPROM=3000\r\n"));
    tester.misbehave(TesterDouble::Misbehaviour::Late, 150);
    // The press on "Prüfung Start" takes the focus from the edit, which writes the time;
    // the click arrives while that write waits for the tester.
    form->FloatEdit1->setText(QStringLiteral("12,5"));
    QTimer::singleShot(60, [&] { form->BitBtn1->click(); });
    QFocusEvent leave(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(form->FloatEdit1, &leave);
    ASSERT_TRUE(waitFor([&] { return commandBytes(tester).size() >= 4; }, 5000));
    EXPECT_EQ(commandBytes(tester), (std::vector<int>{0, 2, 2, 1}));
    EXPECT_EQ(settingsWrites(tester)[0][4 + 3], 125);
    tester.misbehave(TesterDouble::Misbehaviour::None);
    EXPECT_TRUE(waitFor([&] { return sequence.runningStep() != 0; }, 2000));
    EXPECT_EQ(tester.state().settings[3], 125);
}

TEST_F(LiveWindowTest, DinVdeClickedWhileTheMeasuringTimeIsWrittenReachesTheTester) {
    connectTester(QStringLiteral("MessageAnswerRAM=3000\r\nMessageAnswerWriteEEPROM=3000\r\n"));
    tester.misbehave(TesterDouble::Misbehaviour::Late, 150);
    form->FloatEdit1->setText(QStringLiteral("7,0"));
    QTimer::singleShot(60, [&] { form->RadioGroup1->Button(1)->click(); });
    QFocusEvent leave(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(form->FloatEdit1, &leave);
    ASSERT_TRUE(waitFor([&] { return settingsWrites(tester).size() >= 2; }, 5000));
    tester.misbehave(TesterDouble::Misbehaviour::None);
    EXPECT_EQ(tester.state().settings[3], 70);
    EXPECT_EQ(tester.state().settings[0] & 2, 2); // DIN VDE 0702
    runFor(800);
    EXPECT_EQ(form->RadioGroup1->ItemIndex(), 1) << "the panel never went back";
    EXPECT_EQ(settingsWrites(tester).size(), 2u);
}

// A click at once after the edit: the press takes the focus from the edit first, and the
// release, already queued, must not be handled before the button has had the press.
TEST_F(LiveWindowTest, ClickRightAfterTheMeasuringTimeIsCarriedOutAfterItsWrite) {
    connectTester();
    form->activateWindow();
    ASSERT_TRUE(waitFor([&] { return form->isActiveWindow(); }, 2000));
    const auto clickAtOnce = [](QWidget* w) {
        const QPoint at = w->rect().center();
        QCoreApplication::postEvent(w, new QMouseEvent(QEvent::MouseButtonRelease, at, w->mapToGlobal(at),
                                                       Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        QTest::mousePress(w, Qt::LeftButton, {}, at);
    };
    const auto typeTime = [&](const char* text) {
        form->FloatEdit1->setFocus(Qt::MouseFocusReason);
        form->FloatEdit1->selectAll();
        QTest::keyClicks(form->FloatEdit1, QString::fromUtf8(text));
    };

    // Enter writes; the later click on "0702" writes the time again, then its own setting.
    typeTime("7,0");
    QTest::keyClick(form->FloatEdit1, Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return settingsWrites(tester).size() == 1; }, 3000));
    clickAtOnce(form->RadioGroup1->Button(1));
    EXPECT_TRUE(waitFor([&] { return (tester.state().settings[0] & 2) == 2; }, 3000)) << "0702 lost";
    EXPECT_EQ(tester.state().settings[3], 70);

    runFor(200);
    writesBefore += settingsWrites(tester).size();
    typeTime("6,0");
    clickAtOnce(form->BitBtn1);
    EXPECT_TRUE(waitFor([&] { return commandBytes(tester).size() >= 4; }, 3000));
    runFor(200);
    EXPECT_EQ(commandBytes(tester), (std::vector<int>{0, 2, 2, 1})) << "the time, then abort, abort, start";
    ASSERT_FALSE(settingsWrites(tester).empty());
    EXPECT_EQ(settingsWrites(tester)[0][4 + 3], 60);
}

TEST_F(LiveWindowTest, MeasuringTimeWithoutANumberKeepsItsValueAndWritesIt) {
    connectTester();
    EXPECT_EQ(form->FloatEdit1->text(), QStringLiteral("5,0"));
    form->FloatEdit1->setText(QStringLiteral("abc"));
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(form->FloatEdit1, &leave);
    EXPECT_EQ(form->FloatEdit1->text(), QStringLiteral("5,0"));
    ASSERT_TRUE(waitFor([&] { return !settingsWrites(tester).empty(); }, 3000));
    ASSERT_EQ(settingsWrites(tester).size(), 1u);
    EXPECT_EQ(settingsWrites(tester)[0][4 + 3], 50);
    EXPECT_TRUE(form->Timer2->Enabled()); // the refresh runs again

    form->FloatEdit1->setText(QStringLiteral("12,5"));
    QApplication::sendEvent(form->FloatEdit1, &leave);
    ASSERT_TRUE(waitFor([&] { return settingsWrites(tester).size() == 2; }, 3000));
    EXPECT_EQ(settingsWrites(tester).back()[4 + 3], 125);
}
