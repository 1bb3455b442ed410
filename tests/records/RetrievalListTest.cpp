// The staging list of the retrieval dialog while a fetch over the real port fills it.
#include "controls/DBGrid.h"
#include "platform/database.h"
#include "platform/message_box.h"
#include "records/DatenabrufDlg.h"
#include "records/ProgramDatabase.h"
#include "serial/Cate32.h"
#include "serial/SyncBus.h"
#include "tester/Globals.h"
#include "tests/support/port_main_window.h"
#include "tests/support/stored_records_double.h"

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

std::vector<uint8_t> recordBytes(int i) {
    TStoredTestValues v;
    v.Barcode = std::to_string(500 + i);
    v.Klasse = 1;
    v.Messablauf = 0x40;
    v.Schutzleiterwid = static_cast<int16_t>(i);
    const StoredTestRecord r = EncodeStoredRecord(v);
    std::vector<uint8_t> bytes;
    for (const auto& part : r.Part)
        bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

class RetrievalList : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        db = std::make_unique<platform::Database>(dir.filePath(QStringLiteral("Pruefdaten.sqlite")),
                                                  ProgramDatabaseSchema());
        platform::Database::SetCurrent(db.get());
        platform::setMessageBoxHandler(
            [this](const QString& text, platform::MessageButtons, platform::MessageIcon) {
                messages.push_back(text);
                return platform::MessageResult::Ok;
            });
        ASSERT_TRUE(tester.start());
        main.device = tester.slavePath();
        main.cate.SetReadInterval(10);
        main.cate.Loaded();
        main.cate.SetPort(TPort::Com1);
        ASSERT_EQ(main.cate.Port(), TPort::Com1);
        main.bus.SetCate(&main.cate);
        main.bus.SetMsgTimeOut(50);
        Globals::MessageAnswerRAM = 100;
        Globals::MessageAnswerReadEEPROM = 100;
        Globals::MessageAnswerWriteEEPROM = 100;
        Globals::TesterSerialNumber = QStringLiteral("0987654321");
        dlg = std::make_unique<TDatenabrufDlg>(main.link, QString());
        dlg->setModal(true);
        dlg->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        dlg.reset();
        main.cate.SetPort(TPort::NoPort);
        platform::setMessageBoxHandler({});
        platform::Database::SetCurrent(nullptr);
        db.reset();
    }

    void load(int n) {
        std::vector<std::vector<uint8_t>> records;
        for (int i = 1; i <= n; ++i)
            records.push_back(recordBytes(i));
        memory.setRecords(records);
    }

    QTemporaryDir dir;
    std::unique_ptr<platform::Database> db;
    TesterDouble tester;
    StoredRecordsDouble memory{tester};
    PortMainWindow main;
    std::unique_ptr<TDatenabrufDlg> dlg;
    std::vector<QString> messages;
};

// The list catches up now and then while the run goes on, not after every change, and shows
// every row once the run has ended.
TEST_F(RetrievalList, TheListFollowsARunningFetchAndShowsEveryRowAtItsEnd) {
    const int records = 40;
    load(records);
    int shownDuringRun = 0;
    int fetchedWhenFirstShown = 0;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!dlg->Retrieving())
            return;
        const int shown = dlg->DBGrid1->model()->rowCount();
        if (shown > 0 && shownDuringRun == 0)
            fetchedWhenFirstShown = dlg->Query1->RecordCount();
        shownDuringRun = std::max(shownDuringRun, shown);
    });
    probe.start();
    dlg->BitBtn3->click();
    probe.stop();

    ASSERT_EQ(dlg->Retrieval().LastOutcome(), TRetrievalOutcome::roDone);
    EXPECT_TRUE(messages.empty());
    EXPECT_GT(shownDuringRun, 0);
    // Rows came in faster than the list was redrawn.
    EXPECT_GT(fetchedWhenFirstShown, 1);
    EXPECT_EQ(dlg->DBGrid1->model()->rowCount(), records);
    EXPECT_EQ(dlg->DBGrid1->CellText(records - 1, 0), QString::number(records));
    EXPECT_EQ(dlg->DBGrid1->currentIndex().row(), records - 1);
    EXPECT_FALSE(dlg->Query1->ControlsDisabled());
}

} // namespace
