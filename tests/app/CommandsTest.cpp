#include "app/AboutBox.h"
#include "app/EinstellungenDlg.h"
#include "app/MainForm.h"
#include "app/SchnittstelleDlg.h"
#include "platform/database.h"
#include "platform/message_box.h"
#include "platform/report.h"
#include "printing/Pruefprot.h"
#include "records/DatenabrufDlg.h"
#include "records/ProgramDatabase.h"
#include "records/StoredRecord.h"
#include "tester/LiveProtocol.h"
#include "tester/TesterMessages.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/support/tester_script.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

// The main window with the retrieval dialog on a database file of its own.
class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tester.start());
        qputenv("GERAETETESTER_COM1", tester.slavePath().c_str());
        db = std::make_unique<platform::Database>(dir.filePath(QStringLiteral("Pruefdaten.sqlite")),
                                                  ProgramDatabaseSchema());
        platform::Database::SetCurrent(db.get());
        previousBoxes = platform::setMessageBoxHandler(
            [this](const QString& text, platform::MessageButtons, platform::MessageIcon icon) {
                boxes << text;
                icons.push_back(icon);
                return platform::MessageResult::Ok;
            });
        pgmLog = dir.filePath(QStringLiteral("pgm.log"));
        const QString ini = dir.filePath(QStringLiteral("geraetetester.INI"));
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("[Interface]\r\nPort=1\r\nPgmLog=%1\r\n").arg(pgmLog).toUtf8());
        f.close();
        SchnittstelleDlg = new TSchnittstelleDlg;
        form = std::make_unique<TForm1>(ini);
        Form1 = form.get();
        DatenabrufDlg = new TDatenabrufDlg(form->Link, QString());
        form->show();
    }
    void TearDown() override {
        delete DatenabrufDlg;
        DatenabrufDlg = nullptr;
        form.reset();
        Form1 = nullptr;
        delete SchnittstelleDlg;
        SchnittstelleDlg = nullptr;
        platform::setMessageBoxHandler(previousBoxes);
        platform::Database::SetCurrent(nullptr);
        qunsetenv("GERAETETESTER_COM1");
    }

    // Closes the retrieval dialog as soon as it is shown, noting what the window was doing.
    void closeRetrievalWhenShown(const std::function<void()>& whileShown = {}) {
        auto* poll = new QTimer(form.get());
        QObject::connect(poll, &QTimer::timeout, form.get(), [this, poll, whileShown] {
            if (!DatenabrufDlg->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            dialogShown = true;
            timer2WhileShown = form->Timer2->Enabled();
            if (whileShown)
                whileShown();
            DatenabrufDlg->reject();
        });
        poll->start(20);
    }

    int autosendOffFrames() {
        int n = 0;
        for (const TProtok& frame : tester.receivedFrames())
            if (frame[3] == MsgSetAutosend && frame[4] == 0)
                ++n;
        return n;
    }

    TesterDouble tester;
    TesterScript script{tester, 100};
    QTemporaryDir dir;
    std::unique_ptr<platform::Database> db;
    QString pgmLog;
    QStringList boxes;
    std::vector<platform::MessageIcon> icons;
    platform::MessageBoxHandler previousBoxes;
    std::unique_ptr<TForm1> form;
    bool dialogShown = false;
    bool timer2WhileShown = true;
};

} // namespace

TEST_F(CommandsTest, RetrievalWithoutConnectionOnlyShowsTheDialog) {
    closeRetrievalWhenShown();
    form->ToolButton12->click();
    EXPECT_TRUE(dialogShown);
    EXPECT_EQ(readLines(pgmLog), QStringList{QStringLiteral("Programmstart")});
    EXPECT_EQ(autosendOffFrames(), 0);
}

TEST_F(CommandsTest, RetrievalStopsTheRefreshAndResumesItAfterwards) {
    form->ToolButton10->click();
    ASSERT_TRUE(waitFor([this] { return form->IsConnected(); }, 3000));
    const int offBefore = autosendOffFrames();
    form->Digit16->SetData(QStringLiteral("12,5"));
    QString valueWhileShown;
    closeRetrievalWhenShown([&] { valueWhileShown = form->Digit16->Data(); });
    form->Datenabrufen1->trigger();
    ASSERT_TRUE(dialogShown);
    EXPECT_FALSE(timer2WhileShown);
    EXPECT_EQ(valueWhileShown, QStringLiteral(" --- "));
    EXPECT_TRUE(waitFor([&] { return autosendOffFrames() > offBefore; }, 1000));
    EXPECT_TRUE(form->Timer2->Enabled());
    EXPECT_TRUE(form->RadioGroup1->isEnabled());
    const QStringList log = readLines(pgmLog);
    const auto disabled = log.indexOf(QStringLiteral("Timer 2 disabled"));
    ASSERT_GE(disabled, 0);
    EXPECT_GT(log.indexOf(QStringLiteral("Timer 2 enabled")), disabled);
}

TEST_F(CommandsTest, RetrievalAfterTheLinkWasLostStillSwitchesTimer2On) {
    form->ToolButton10->click();
    ASSERT_TRUE(waitFor([this] { return form->IsConnected(); }, 3000));
    // The user disconnects while the dialog is open.
    closeRetrievalWhenShown([this] { form->ToolButton10->click(); });
    form->ToolButton12->click();
    ASSERT_TRUE(dialogShown);
    EXPECT_FALSE(form->IsConnected());
    EXPECT_FALSE(form->RadioGroup1->isEnabled());
    EXPECT_TRUE(form->Timer2->Enabled());
    EXPECT_EQ(readLines(pgmLog).last(), QStringLiteral("Timer 2 enabled"));
}

TEST_F(CommandsTest, HintsSwitchTwiceReturnsToTheFirstState) {
    const bool first = form->ShowHints();
    form->Hinweise1->trigger();
    EXPECT_NE(form->ShowHints(), first);
    EXPECT_EQ(form->Hinweise1->isChecked(), form->ShowHints());
    EXPECT_EQ(form->ToolButton8->isChecked(), form->ShowHints());
    form->Hinweise1->trigger();
    EXPECT_EQ(form->ShowHints(), first);
    EXPECT_EQ(form->Hinweise1->isChecked(), first);
    form->ToolButton8->click();
    EXPECT_NE(form->ShowHints(), first);
    EXPECT_EQ(form->Hinweise1->isChecked(), form->ShowHints());
}

TEST_F(CommandsTest, SafetyPictureShowsTheNote) {
    form->Image1->click();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(
        boxes[0].startsWith(QStringLiteral("Bitte beachten Sie die Bedienungsanleitung zum Gerätetester.\n\n"
                                           "Die Prüfungen mit dem Gerätetester")));
    EXPECT_EQ(icons[0], platform::MessageIcon::Exclamation);
}

TEST_F(CommandsTest, ConfigurationThatCannotBeWrittenIsReportedAtTheEnd) {
    form.reset();
    Form1 = nullptr;
    boxes.clear();
    {
        TForm1 other(dir.filePath(QStringLiteral("fehlt/geraetetester.INI")));
        Form1 = &other;
        other.show();
        other.close();
        other.FormDestroy();
        Form1 = nullptr;
    }
    ASSERT_FALSE(boxes.isEmpty());
    EXPECT_EQ(boxes[0], QStringLiteral("In %1 kann nicht geschrieben werden")
                            .arg(dir.filePath(QStringLiteral("fehlt/geraetetester.INI"))));
}

TEST_F(CommandsTest, PrintingTheLiveTestUsesPreviewOrPrinterAsConfigured) {
    Pruefprot = new TPruefprot;
    std::vector<platform::TReportOutput> outputs;
    auto previous = platform::setReportOutputHandler(
        [&](platform::TReportOutput output, const std::vector<platform::TReportPage>& pages) {
            outputs.push_back(output);
            EXPECT_EQ(pages.size(), 1u);
        });
    Globals::Operator = QStringLiteral("Meier");
    form->WerteSatz.Name1 = QStringLiteral("vom letzten Kunden");
    form->WerteSatz.Messablauf = Messablauf::SichtpruefungBestanden;
    form->BitBtn4->setEnabled(true);
    Globals::Preview = false;
    form->BitBtn4->click();
    Globals::Preview = true;
    form->BitBtn4->click();
    EXPECT_EQ(outputs, (std::vector{platform::TReportOutput::Print, platform::TReportOutput::Preview}));
    EXPECT_TRUE(Pruefprot->WerteSatz.Name1.isEmpty());
    EXPECT_EQ(Pruefprot->WerteSatz.Pruefer, QStringLiteral("Meier"));
    EXPECT_EQ(Pruefprot->WerteSatz.Datum.date(), QDate::currentDate());
    EXPECT_TRUE(Pruefprot->WerteSatz.Pruefungsergebnis);
    EXPECT_EQ(Pruefprot->WerteSatz.Sichtpruef, 1);
    // A failed visual inspection: "Gerät in Ordnung" says no, as the fetched record will.
    form->WerteSatz.Messablauf = 0;
    form->BitBtn4->click();
    EXPECT_EQ(Pruefprot->WerteSatz.Sichtpruef, 0);
    EXPECT_FALSE(Pruefprot->WerteSatz.Pruefungsergebnis);
    // The tester's last settings block reports it as not yet decided.
    TProtok flags{'S', MsgIdTester, 0, MsgQueryFlags, 0, 0, 1 | 8, 30};
    form->Refresh.Store(flags, false);
    form->BitBtn4->click();
    EXPECT_EQ(Pruefprot->WerteSatz.Sichtpruef, -1);
    EXPECT_TRUE(Pruefprot->WerteSatz.Pruefungsergebnis);
    platform::setReportOutputHandler(previous);
    Globals::Preview = false;
    delete Pruefprot;
    Pruefprot = nullptr;
}

// The live protocol and the record fetched later judge the same test alike.
TEST(LiveProtocolAndStoredRecord, AgreeOnVisualInspectionAndResult) {
    for (const bool pending : {false, true})
        for (int ablauf = 0; ablauf < 256; ++ablauf) {
            StoredTestRecord stored;
            stored.Part[0][3] = static_cast<uint8_t>(1 | (pending ? 8 : 0));
            stored.Part[0][4] = static_cast<uint8_t>(ablauf);
            const TStagingRow row = DecodeStoredRecord(stored, 1, TRecordStamp{});
            TWerteSatz live;
            live.Messablauf = ablauf;
            const TWerteSatz w =
                LiveProtocolRecord(live, pending, QDate(2026, 1, 1), QString(), QString(), 0);
            EXPECT_EQ(w.Sichtpruef, row.Sichtpruef) << pending << " " << ablauf;
            EXPECT_EQ(w.Pruefungsergebnis, row.Pruefungsergebnis) << pending << " " << ablauf;
        }
}

TEST_F(CommandsTest, ToolButtonsAndMenuItemsOpenTheirWindows) {
    EinstellungenDlg = new TEinstellungenDlg;
    AboutBox = new TAboutBox;
    const auto opens = [this](QDialog* dialog, const std::function<void()>& click) {
        bool shown = false;
        auto* poll = new QTimer(form.get());
        QObject::connect(poll, &QTimer::timeout, form.get(), [&shown, dialog, poll] {
            if (!dialog->isVisible())
                return;
            shown = true;
            poll->stop();
            dialog->reject();
        });
        poll->start(20);
        click();
        delete poll;
        return shown;
    };
    EXPECT_TRUE(opens(EinstellungenDlg, [this] { form->ToolButton7->click(); }));
    EXPECT_TRUE(opens(EinstellungenDlg, [this] { form->Einstellungen1->trigger(); }));
    EXPECT_TRUE(opens(AboutBox, [this] { form->Info1->trigger(); }));
    delete AboutBox;
    AboutBox = nullptr;
    delete EinstellungenDlg;
    EinstellungenDlg = nullptr;
}
