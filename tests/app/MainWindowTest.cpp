#include "app/MainForm.h"
#include "app/SchnittstelleDlg.h"
#include "platform/ini_file.h"
#include "platform/message_box.h"
#include "serial/Cate32.h"
#include "tester/TesterMessages.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/support/tester_script.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

int countFrames(TesterDouble& t, uint8_t sub, int d0 = -1) {
    int n = 0;
    for (const TProtok& f : t.receivedFrames())
        if (f[3] == sub && (d0 < 0 || f[4] == d0))
            ++n;
    return n;
}

// One run of the program's main window against the tester double on COM1.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tester.start());
        qputenv("GERAETETESTER_COM1", tester.slavePath().c_str());
        ini = dir.filePath("geraetetester.INI");
        pgmLog = dir.filePath("pgm.log");
        SchnittstelleDlg = new TSchnittstelleDlg;
    }
    void TearDown() override {
        form.reset();
        Form1 = nullptr;
        delete SchnittstelleDlg;
        SchnittstelleDlg = nullptr;
        qunsetenv("GERAETETESTER_COM1");
    }

    void writeIni(const QString& extra = QString()) {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("[Interface]\r\nPgmLog=%1\r\n%2").arg(pgmLog, extra).toUtf8());
    }
    void start(const QString& extra = QString()) {
        writeIni(extra);
        form = std::make_unique<TForm1>(ini);
        Form1 = form.get();
        form->show();
    }
    // Ends the run, as the program does, and reads the saved [Position] Left and Top.
    QPoint endAndReadPlace() {
        form.reset();
        Form1 = nullptr;
        const platform::IniFile f(ini);
        return {f.readInteger(QStringLiteral("Position"), QStringLiteral("Left"), -1),
                f.readInteger(QStringLiteral("Position"), QStringLiteral("Top"), -1)};
    }
    QString panel(int i) const { return form->StatusBar1->PanelText(i); }
    void clickConnect() { form->ToolButton10->click(); }
    bool connected() const { return form->IsConnected(); }

    TesterDouble tester;
    TesterScript script{tester, 100};
    QTemporaryDir dir;
    QString ini;
    QString pgmLog;
    MessageBoxRecorder boxes;
    std::unique_ptr<TForm1> form;
};

} // namespace

TEST_F(MainWindowTest, StartAndEndWriteTheLogAndTheConfiguration) {
    start(QStringLiteral("Port=1\r\n[Timing]\r\nInActiveTime=20\r\n"));
    EXPECT_EQ(readLines(pgmLog), QStringList{"Programmstart"});
    EXPECT_EQ(panel(0), QStringLiteral("Keine Verbindung"));
    EXPECT_EQ(panel(1), QStringLiteral("COM1"));
    EXPECT_FALSE(form->Timer2->Enabled());
    EXPECT_TRUE(form->Timer1->isRunning());
    EXPECT_FALSE(form->BitBtn1->isEnabled());
    EXPECT_TRUE(form->ToolButton12->isEnabled());
    EXPECT_EQ(form->Digit16->Data(), QStringLiteral(" --- "));
    form.reset();
    Form1 = nullptr;
    EXPECT_EQ(readLines(pgmLog), (QStringList{"Programmstart", "Programmende", "------------"}));
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("InActiveTime=20")));
    EXPECT_TRUE(text.contains(QStringLiteral("PgmLog=") + pgmLog));
    EXPECT_TRUE(text.contains(QStringLiteral("DlgDelay=50")));
}

TEST_F(MainWindowTest, UncreatableLogIsOffButItsNameIsKept) {
    pgmLog = QStringLiteral("/nonexistent-dir/pgm.log");
    start();
    EXPECT_FALSE(form->ProgramLogActive());
    form.reset();
    Form1 = nullptr;
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(f.readAll()).contains(QStringLiteral("PgmLog=/nonexistent-dir/pgm.log")));
}

TEST_F(MainWindowTest, WithoutPositionTheWindowStandsWhereItWasDesigned) {
    // Not shown: the designed place need not fit the tests' screen.
    writeIni();
    form = std::make_unique<TForm1>(ini);
    Form1 = form.get();
    EXPECT_EQ(form->pos(), QPoint(192, 107));
    form.reset();
    Form1 = nullptr;
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("Left=192")));
    EXPECT_TRUE(text.contains(QStringLiteral("Top=107")));
}

TEST_F(MainWindowTest, SavedPlaceIsWhereTheWindowStandsAndIsSavedUnchanged) {
    start(QStringLiteral("[Position]\r\nLeft=40\r\nTop=30\r\n"));
    EXPECT_EQ(form->frameGeometry().topLeft(), QPoint(40, 30));
    EXPECT_EQ(endAndReadPlace(), QPoint(40, 30));
    // The next run, from the saved file.
    form = std::make_unique<TForm1>(ini);
    Form1 = form.get();
    form->show();
    EXPECT_EQ(form->frameGeometry().topLeft(), QPoint(40, 30));
    EXPECT_EQ(endAndReadPlace(), QPoint(40, 30));
}

TEST_F(MainWindowTest, FrameOffTheScreenComesWholeOntoIt) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    start(QStringLiteral("[Position]\r\nLeft=5000\r\nTop=-13\r\n"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QRect frame = form->frameGeometry();
    EXPECT_EQ(frame.top(), area.top());
    EXPECT_EQ(frame.right(), area.right());
    EXPECT_EQ(endAndReadPlace(), frame.topLeft());
    // Only the bottom edge off: the frame moves up until its bottom is the area's, nothing more.
    start(QStringLiteral("[Position]\r\nLeft=40\r\nTop=%1\r\n").arg(area.bottom() - 100));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    frame = form->frameGeometry();
    EXPECT_EQ(frame.bottom(), area.bottom());
    EXPECT_EQ(frame.left(), 40);
    EXPECT_EQ(endAndReadPlace(), frame.topLeft());
}

TEST_F(MainWindowTest, ConnectIdentifiesAnAutosendTesterAndDisconnectStopsIt) {
    tester.withState([](TesterDouble::State& s) { s.programVersion = "102B1AB"; });
    start();
    clickConnect();
    ASSERT_TRUE(connected());
    EXPECT_TRUE(form->ToolButton10->isChecked());
    EXPECT_FALSE(form->ToolButton1->isEnabled());
    EXPECT_TRUE(form->verbinden1->isChecked());
    EXPECT_EQ(panel(0), QStringLiteral("Verbunden"));
    EXPECT_EQ(panel(2), QStringLiteral("SerNo. 1234567890"));
    EXPECT_EQ(panel(3), QStringLiteral("PgmVers. 1.02.B1 AB"));
    EXPECT_EQ(panel(5), QStringLiteral("03"));
    EXPECT_EQ(panel(4), QStringLiteral("de"));
    EXPECT_EQ(script.currentLanguage(), "de");
    EXPECT_EQ(Globals::TesterSerialNumber, QStringLiteral("1234567890"));
    EXPECT_EQ(form->TrackBar1->maximum(), 9);
    EXPECT_FALSE(form->ComboBox2->isEnabled()); // enabled while the level was still 0
    EXPECT_TRUE(form->Timer2->Enabled());
    EXPECT_FALSE(form->PollMode);
    ASSERT_TRUE(waitFor([&] { return script.autosendOrders() >= 1; }, 2000));
    // Autosend frames are applied from the idle handler and keep the link alive.
    ASSERT_TRUE(waitFor(
        [&] { return form->Refresh.RotationIndex() != 0 || form->Refresh.PendingMask() != 0; }, 2000));

    clickConnect();
    EXPECT_FALSE(connected());
    EXPECT_EQ(panel(0), QStringLiteral("Keine Verbindung"));
    EXPECT_EQ(panel(2), QStringLiteral("SerNo."));
    EXPECT_EQ(panel(5), QString());
    EXPECT_TRUE(form->ToolButton1->isEnabled());
    ASSERT_TRUE(waitFor([&] { return script.autosendStops() >= 1; }, 2000));
    const QStringList log = readLines(pgmLog);
    EXPECT_TRUE(log.contains(QStringLiteral("COM wird geöffnet")));
    EXPECT_TRUE(log.contains(QStringLiteral("COM ist verbunden")));
    EXPECT_TRUE(log.contains(QStringLiteral("Sendung $11: Seriennummer abfragen")));
    EXPECT_TRUE(log.contains(QStringLiteral("Empfang $10: Programmversionsnummer holen")));
    EXPECT_TRUE(log.contains(QStringLiteral("Sendung $3b: unbekannt")));
    EXPECT_TRUE(log.contains(QStringLiteral("Auffrischung senden")));
    EXPECT_TRUE(log.contains(
        QStringLiteral("Sendung $67: Autosend-Funktionen festlegen: $32 $33 $34 $37 $38 $39 $3A")));
    EXPECT_TRUE(log.contains(QStringLiteral("Empfang $37: Meßwerte abfragen (1)")));
    EXPECT_TRUE(log.contains(QStringLiteral("lfd. Übertragung beenden")));
    EXPECT_TRUE(log.contains(QStringLiteral("Sendung $67: Autosend-Funktionen löschen")));
    EXPECT_EQ(log.last(), QStringLiteral("COM wird geschlossen"));
    EXPECT_TRUE(boxes.texts.isEmpty());

    if (const QByteArray path = qgetenv("GERAETETESTER_SCREENSHOT"); !path.isEmpty()) {
        clickConnect();
        runFor(1500);
        form->grab().save(QString::fromLocal8Bit(path));
    }
}

TEST_F(MainWindowTest, AutosendOrderIsRepeatedEveryRefreshTime) {
    start(QStringLiteral("[Timing]\r\nRefreshTime=3\r\n"));
    clickConnect();
    ASSERT_TRUE(connected());
    const int first = script.autosendOrders();
    // Every 3 ticks of 100 ms: about ten more orders in 3 s, and not one per tick.
    runFor(3000);
    const int more = script.autosendOrders() - first;
    EXPECT_GE(more, 7);
    EXPECT_LE(more, 14);
    EXPECT_TRUE(connected());
}

TEST_F(MainWindowTest, LevelZeroTesterIsPolledOneKindPerTickAndStaysConnected) {
    tester.withState([](TesterDouble::State& s) { s.programVersion = "1008100"; });
    start(QStringLiteral("[Timing]\r\nDlgDelay=50\r\nInActiveTime=10\r\n"));
    clickConnect();
    ASSERT_TRUE(connected());
    EXPECT_TRUE(form->PollMode);
    EXPECT_EQ(panel(5), QString());
    EXPECT_EQ(panel(4), QString()); // no language at level 0
    EXPECT_EQ(form->TrackBar1->maximum(), 7);
    EXPECT_EQ(form->Timer2->Interval(), 50);
    EXPECT_EQ(countFrames(tester, MsgQueryLanguage), 0);
    // Longer than the inactivity time: the polled answers keep the link.
    runFor(2500);
    EXPECT_TRUE(connected());
    std::vector<uint8_t> polls;
    for (const TProtok& f : tester.receivedFrames())
        if (f[3] >= 0x31 && f[3] <= 0x3A)
            polls.push_back(f[3]);
    ASSERT_GE(polls.size(), 16u);
    const std::vector<uint8_t> order{0x31, 0x32, 0x33, 0x34, 0x37, 0x38, 0x39, 0x3A};
    for (size_t i = 0; i < 16; ++i)
        EXPECT_EQ(polls[i], order[i % 8]) << i;
    const QStringList log = readLines(pgmLog);
    EXPECT_TRUE(log.contains(QStringLiteral("Info 0 anfordern")));
    EXPECT_TRUE(log.contains(QStringLiteral("Info 7 anfordern")));
    EXPECT_EQ(script.autosendOrders(), 0);
}

TEST_F(MainWindowTest, SilentTesterIsDroppedAfterTheInactivityTime) {
    start(QStringLiteral("[Timing]\r\nInActiveTime=5\r\n"));
    clickConnect();
    ASSERT_TRUE(connected());
    script.setSilent(true);
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(waitFor([&] { return !connected(); }, 3000));
    EXPECT_GE(t.elapsed(), 300);
    EXPECT_FALSE(form->ToolButton10->isChecked());
    EXPECT_EQ(panel(0), QStringLiteral("Keine Verbindung"));
    EXPECT_TRUE(readLines(pgmLog).contains(QStringLiteral("Time-Out durch ActiveCtr")));
}

TEST_F(MainWindowTest, PortThatCannotBeOpenedLeavesTheWindowDisconnected) {
    qputenv("GERAETETESTER_COM1", "/nonexistent/tty");
    start();
    clickConnect();
    EXPECT_FALSE(connected());
    EXPECT_FALSE(form->ToolButton10->isChecked());
    EXPECT_TRUE(form->ToolButton1->isEnabled());
    EXPECT_EQ(panel(0), QStringLiteral("Keine Verbindung"));
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith(QStringLiteral("Die Schnittstelle COM1 (/nonexistent/tty)")));
}

TEST_F(MainWindowTest, PortOutsideTheKnownOnesIsAFailedOpen) {
    start(QStringLiteral("Port=12\r\n"));
    clickConnect();
    EXPECT_FALSE(connected());
    EXPECT_FALSE(form->ToolButton10->isChecked());
    EXPECT_TRUE(tester.receivedFrames().empty());
}

TEST_F(MainWindowTest, PortDialogChoosesThePortAndOkWithoutChoiceKeepsIt) {
    start();
    QTimer::singleShot(0, [] {
        SchnittstelleDlg->RadioGroup1->Button(2)->click();
        SchnittstelleDlg->OKBtn->click();
    });
    form->ToolButton1->click();
    EXPECT_EQ(form->Settings.Port, 3);
    EXPECT_EQ(panel(1), QStringLiteral("COM3"));

    form->Settings.Port = 9; // no item of the dialog
    QTimer::singleShot(0, [] {
        EXPECT_EQ(SchnittstelleDlg->RadioGroup1->ItemIndex(), -1);
        SchnittstelleDlg->OKBtn->click();
    });
    form->ToolButton1->click();
    EXPECT_EQ(form->Settings.Port, 9);

    QTimer::singleShot(0, [] {
        SchnittstelleDlg->RadioGroup1->Button(0)->click();
        SchnittstelleDlg->CancelBtn->click();
    });
    form->ToolButton1->click();
    EXPECT_EQ(form->Settings.Port, 9);
}

TEST_F(MainWindowTest, SecondClickDuringIdentificationWaitsForTheFirst) {
    tester.misbehave(TesterDouble::Misbehaviour::Late, 150);
    // An answer time-out well above the late answer, so that a loaded machine still gets it.
    start(QStringLiteral("[Timing]\r\nMessageAnswerRAM=3000\r\n"));
    bool clickedAgain = false;
    QTimer::singleShot(50, [&] {
        clickedAgain = true;
        form->ToolButton10->click(); // the user wants to disconnect again
    });
    clickConnect();
    EXPECT_TRUE(clickedAgain);
    EXPECT_FALSE(connected());
    EXPECT_FALSE(form->ToolButton10->isChecked());
    EXPECT_EQ(panel(0), QStringLiteral("Keine Verbindung"));
    const QStringList log = readLines(pgmLog);
    EXPECT_EQ(log.count(QStringLiteral("COM wird geöffnet")), 1);
    EXPECT_EQ(log.count(QStringLiteral("COM wird geschlossen")), 1);
}

TEST_F(MainWindowTest, ClickWhileThePortOpensIsNotLost) {
    start();
    bool clickedAgain = false;
    // The first event the open lets through: the port is not yet open.
    QTimer::singleShot(0, [&] {
        clickedAgain = true;
        form->ToolButton10->click();
    });
    clickConnect();
    ASSERT_TRUE(clickedAgain);
    EXPECT_FALSE(connected());
    EXPECT_FALSE(form->ToolButton10->isChecked());
    EXPECT_EQ(panel(0), QStringLiteral("Keine Verbindung"));
}

TEST_F(MainWindowTest, ShutDownWhileConnectedTellsTheTesterToStop) {
    start();
    clickConnect();
    ASSERT_TRUE(connected());
    const int before = script.autosendStops();
    form.reset();
    Form1 = nullptr;
    EXPECT_TRUE(waitFor([&] { return script.autosendStops() > before; }, 2000));
    const QStringList log = readLines(pgmLog);
    ASSERT_GE(log.size(), 3);
    EXPECT_EQ(log[log.size() - 3], QStringLiteral("Sendung $67: Autosend-Funktionen löschen"));
    EXPECT_EQ(log.last(), QStringLiteral("------------"));
}

TEST_F(MainWindowTest, StatusBarFontIsSmallerAlsoForAPixelSizedProgramFont) {
    // The program sets its font in pixels; the status bar must still get a valid, smaller one.
    const QFont before = QApplication::font();
    QFont pixels(QStringLiteral("Liberation Sans"));
    pixels.setPixelSize(11);
    QApplication::setFont(pixels);
    start();
    const QFont small = form->StatusBar1->font();
    QApplication::setFont(before);
    EXPECT_GT(small.pixelSize(), 0);
    EXPECT_LT(small.pixelSize(), 11);
}
