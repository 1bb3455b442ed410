// The retrieval dialog and the device dialogs driven as a user would, on a database file.
#include "RecordWindowsFixture.h"

#include "controls/DBControls.h"
#include "controls/DBGrid.h"
#include "platform/log_sink.h"
#include "records/StoredRecord.h"
#include "tests/support/failing_disk.h"
#include "tests/support/other_connection.h"
#include "tests/support/text_room.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>

#include <string>
#include <string_view>

namespace {

using platform::MessageResult;

TDBEdit* editOf(QWidget* dlg, const char* field) {
    return dlg->findChild<TDBEdit*>(QStringLiteral("DBEdit_%1").arg(QLatin1String(field)));
}

int column(TDBGrid* grid, const char* field) {
    const auto cols = grid->ShownColumns();
    for (size_t i = 0; i < cols.size(); ++i)
        if (cols[i].FieldName == QLatin1String(field))
            return static_cast<int>(i);
    return -1;
}

// Key presses as the keyboard delivers them.
void keyClick(QWidget* w, int key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

void keyClicks(QWidget* w, const QString& text) {
    for (QChar c : text)
        keyClick(w, c.isLetterOrNumber() ? int(c.toUpper().unicode()) : int(Qt::Key_Space), QString(c));
}

void type(TDBEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        keyClick(edit, Qt::Key_Backspace);
    keyClicks(edit, text);
}

TEST_F(RecordWindowsTest, OpeningMatchesRowsByBarcodeAndShowsTheirTexts) {
    const int32_t kunde = addCustomer(QStringLiteral("Müller"));
    const int32_t device = addDevice(kunde, QStringLiteral("Bohrer"), QStringLiteral("4711"));
    addStaging(1, QStringLiteral("4711"));
    addStaging(2, QStringLiteral("0815"), 3); // no device carries it any more
    addStaging(3, QString(), 7);              // assigned by hand, no barcode
    showDatenabruf();

    TDBGrid* grid = datenabruf->DBGrid1;
    EXPECT_EQ(stagingField(1, "PrueflingNr"), QString::number(device));
    EXPECT_EQ(stagingField(2, "PrueflingNr"), "0");
    EXPECT_EQ(stagingField(3, "PrueflingNr"), "7");
    EXPECT_EQ(grid->CellText(0, column(grid, "PrueflingNr")), "ja");
    EXPECT_EQ(grid->CellText(1, column(grid, "PrueflingNr")), "nein");
    EXPECT_EQ(grid->CellText(2, column(grid, "PrueflingNr")), "ja");
    EXPECT_EQ(grid->CellText(0, column(grid, "Schutzklasse")), "I");
    EXPECT_EQ(grid->CellText(0, column(grid, "DINVDE")), "0702");
    EXPECT_EQ(grid->CellText(0, column(grid, "mitIsol")), "Iso+Dif");
    EXPECT_EQ(grid->CellText(0, column(grid, "mitBeruehr")), "nein");
    EXPECT_EQ(grid->CellText(0, column(grid, "automatisch")), "nein");
    EXPECT_EQ(grid->CellText(0, column(grid, "Sichtpruef")), "ja");
    EXPECT_EQ(grid->CellText(0, column(grid, "Pruefungsergebnis")), "i.O.");
    EXPECT_EQ(grid->CellText(0, column(grid, "Schutzleiterwid")), "* 101 mOhm");
    EXPECT_EQ(column(grid, "Notiz"), -1);
    EXPECT_EQ(column(grid, "Menueflags"), -1);
    EXPECT_EQ(grid->ShownColumns().size(), 22u);
}

TEST_F(RecordWindowsTest, TheInsulationTextFollowsTheLinksTester) {
    addStaging(1, QStringLiteral("4711"));
    exec(QStringLiteral("update \"Uebernah.db\" set Isolationswid = 15000"));
    link.level = 2;
    showDatenabruf();
    TDBGrid* grid = datenabruf->DBGrid1;
    EXPECT_EQ(grid->CellText(0, column(grid, "Isolationswid")), ">10.0 MOhm");
    link.level = 0;
    EXPECT_EQ(grid->CellText(0, column(grid, "Isolationswid")), FormatIsolationswid(15000, 0) + " MOhm");
}

TEST_F(RecordWindowsTest, EveryTitleAndFixedTextOfTheListHasRoomInTheProgramsFont) {
    addDevice(addCustomer(QStringLiteral("Müller")), QStringLiteral("Bohrer"), QStringLiteral("4711"));
    addStaging(1, QStringLiteral("4711"));
    addStaging(2, QStringLiteral("0815"));
    addStaging(3, QStringLiteral("0816"));
    exec(
        QStringLiteral("update \"Uebernah.db\" set Pruefungsergebnis = 0, Sichtpruef = -1, Schutzklasse = 0, "
                       "Schutzleiterwid = -1, Menueflags = 4 where LfdNr = 2"));
    exec(QStringLiteral("update \"Uebernah.db\" set Sichtpruef = 0, Schutzklasse = 3, Menueflags = 0 "
                        "where LfdNr = 3"));
    const ProgramFont font;
    TDatenabrufDlg dlg(link, QString());
    dlg.show();
    QApplication::processEvents();
    EXPECT_EQ(GridTextsWithoutRoom(*dlg.DBGrid1).toStdString(), "");
    EXPECT_EQ(CaptionsWithoutRoom(dlg).toStdString(), "");
}

TEST_F(RecordWindowsTest, ButtonsFollowRowsAndConnection) {
    showDatenabruf();
    EXPECT_FALSE(datenabruf->BitBtn3->isEnabled()); // no port
    EXPECT_FALSE(datenabruf->BitBtn1->isEnabled());
    EXPECT_TRUE(datenabruf->BitBtn6->isEnabled());
    datenabruf->done(QDialog::Accepted);

    link.connected = true;
    showDatenabruf();
    EXPECT_TRUE(datenabruf->BitBtn3->isEnabled());
    datenabruf->done(QDialog::Accepted);

    addStaging(1, QStringLiteral("1"));
    showDatenabruf();
    EXPECT_FALSE(datenabruf->BitBtn3->isEnabled());
    for (QPushButton* b :
         {datenabruf->BitBtn1, datenabruf->BitBtn2, datenabruf->BitBtn4, datenabruf->BitBtn5})
        EXPECT_TRUE(b->isEnabled());
}

TEST_F(RecordWindowsTest, NoRowIsAddedByHand) {
    addStaging(1, QStringLiteral("1"));
    showDatenabruf();
    datenabruf->DBGrid1->setFocus();
    keyClick(datenabruf->DBGrid1, Qt::Key_Insert);
    keyClick(datenabruf->DBGrid1, Qt::Key_Down);
    keyClick(datenabruf->DBGrid1, Qt::Key_Down);
    EXPECT_EQ(datenabruf->Query1->RecordCount(), 1);
    datenabruf->done(QDialog::Accepted);
    EXPECT_EQ(count("Uebernah.db"), 1);
}

TEST_F(RecordWindowsTest, TypedBarcodeAssignsOrUnassignsAtOnce) {
    const int32_t device =
        addDevice(addCustomer(QStringLiteral("K")), QStringLiteral("Säge"), QStringLiteral("555"));
    addStaging(1, QStringLiteral("1"));
    showDatenabruf();
    platform::TQuery& q = *datenabruf->Query1;
    q.Edit();
    q.FieldByName(QStringLiteral("Barcode")).SetAsString(QStringLiteral("555"));
    EXPECT_EQ(q.FieldByName(QStringLiteral("PrueflingNr")).AsInteger(), device);
    q.Post();
    q.Edit();
    q.FieldByName(QStringLiteral("Barcode")).SetAsString(QStringLiteral("556"));
    q.Post();
    EXPECT_EQ(stagingField(1, "PrueflingNr"), "0");
}

TEST_F(RecordWindowsTest, AssignByHandTakesTheChosenDeviceAndItsBarcode) {
    const int32_t kunde = addCustomer(QStringLiteral("K"));
    const int32_t first = addDevice(kunde, QStringLiteral("A"), QString());
    addDevice(kunde, QStringLiteral("B"), QStringLiteral("222"));
    addStaging(1, QStringLiteral("999"));
    showDatenabruf();
    int32_t preselected = -1;
    whenShown(pruefling.get(), [&] {
        preselected = pruefling->Query1->FieldByName(QStringLiteral("PrueflingNr")).AsInteger();
        pruefling->Query1->Locate(QStringLiteral("PrueflingNr"), first);
        pruefling->OKBtn->click();
    });
    datenabruf->BitBtn5->click();
    EXPECT_EQ(preselected, first + 1); // nothing assigned: the last device
    EXPECT_EQ(stagingField(1, "PrueflingNr"), QString::number(first));
    EXPECT_EQ(stagingField(1, "Barcode"), "");
    // The assignment survives reopening although the row has no barcode now.
    datenabruf->done(QDialog::Accepted);
    showDatenabruf();
    EXPECT_EQ(stagingField(1, "PrueflingNr"), QString::number(first));

    // Opening again preselects the assigned device; cancelling changes nothing.
    whenShown(pruefling.get(), [&] {
        preselected = pruefling->Query1->FieldByName(QStringLiteral("PrueflingNr")).AsInteger();
        pruefling->Query1->Last();
        pruefling->CancelBtn->click();
    });
    datenabruf->BitBtn5->click();
    EXPECT_EQ(preselected, first);
    EXPECT_EQ(pruefling->PrueflingNr, first + 1); // the dialog still hands back its current row
    EXPECT_EQ(stagingField(1, "PrueflingNr"), QString::number(first));
}

TEST_F(RecordWindowsTest, OkWithNothingToChooseKeepsTheTestersBarcode) {
    addStaging(1, QStringLiteral("31415"));
    showDatenabruf();
    whenShown(pruefling.get(), [&] { pruefling->OKBtn->click(); });
    datenabruf->BitBtn5->click();
    EXPECT_EQ(pruefling->PrueflingNr, 0);
    EXPECT_EQ(stagingField(1, "Barcode"), "31415");
    EXPECT_EQ(stagingField(1, "PrueflingNr"), "0");
}

TEST_F(RecordWindowsTest, NewCustomerAndDeviceFromTheChoiceAssignTheRow) {
    addStaging(1, QStringLiteral("123456"));
    showDatenabruf();
    QString prefilled;
    whenShown(pruefling.get(), [&] {
        whenShown(neuKunde.get(), [&] {
            type(editOf(neuKunde.get(), "Name1"), QStringLiteral("Elektro Schulze"));
            type(editOf(neuKunde.get(), "KdOrt"), QStringLiteral("Köln"));
            whenShown(neuPruefling.get(), [&] {
                prefilled = neuPruefling->DBEditBarcode->text();
                type(editOf(neuPruefling.get(), "Bezeichnung"), QStringLiteral("Wasserkocher"));
                neuPruefling->OKBtn->click();
            });
            neuKunde->OKBtn->click();
        });
        pruefling->BitBtn2->click();
        pruefling->OKBtn->click();
    });
    datenabruf->BitBtn5->click();
    EXPECT_EQ(prefilled, "123456");
    ASSERT_EQ(count("Kunden.db"), 1);
    ASSERT_EQ(count("Prueflng.db"), 1);
    platform::TQuery q(nullptr, db.get());
    q.SQLAdd(QStringLiteral(
        "select * from \"Prueflng.db\" as P, \"Kunden.db\" as K where P.KundenNr = K.KundenNr"));
    q.Open();
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.FieldByName(QStringLiteral("Name1")).AsString(), "Elektro Schulze");
    EXPECT_EQ(q.FieldByName(QStringLiteral("KdOrt")).AsString(), "Köln");
    EXPECT_EQ(q.FieldByName(QStringLiteral("Bezeichnung")).AsString(), "Wasserkocher");
    EXPECT_EQ(q.FieldByName(QStringLiteral("Barcode")).AsString(), "123456");
    EXPECT_EQ(stagingField(1, "PrueflingNr"), q.FieldByName(QStringLiteral("PrueflingNr")).AsString());
}

TEST_F(RecordWindowsTest, ACustomerWhoseFirstDeviceIsCancelledIsRemoved) {
    const int32_t kunde = addCustomer(QStringLiteral("Alt"));
    addDevice(kunde, QStringLiteral("A"), QString());
    addStaging(1, QStringLiteral("1"));
    showDatenabruf();
    int rowsAfter = -1;
    whenShown(pruefling.get(), [&] {
        whenShown(neuKunde.get(), [&] {
            type(editOf(neuKunde.get(), "Name1"), QStringLiteral("Neu"));
            whenShown(neuPruefling.get(), [&] { neuPruefling->CancelBtn->click(); });
            neuKunde->OKBtn->click();
        });
        pruefling->BitBtn2->click();
        rowsAfter = pruefling->Query1->RecordCount();
        pruefling->CancelBtn->click();
    });
    datenabruf->BitBtn5->click();
    EXPECT_EQ(count("Kunden.db"), 1);
    EXPECT_EQ(count("Prueflng.db"), 1);
    EXPECT_EQ(rowsAfter, 1);
}

TEST_F(RecordWindowsTest, ACustomerThatCannotBeStoredKeepsTheEntryOpen) {
    exec(QStringLiteral("create trigger voll before insert on \"Kunden.db\" "
                        "begin select raise(abort, 'Datenträger voll'); end"));
    neuKunde->show();
    QApplication::processEvents();
    type(editOf(neuKunde.get(), "Name1"), QStringLiteral("Neu"));
    neuKunde->OKBtn->click();
    EXPECT_TRUE(neuKunde->isVisible());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("Datenträger voll")));
    EXPECT_EQ(editOf(neuKunde.get(), "Name1")->text(), "Neu");
    neuKunde->CancelBtn->click();
    EXPECT_EQ(count("Kunden.db"), 0);
}

TEST_F(RecordWindowsTest, ADuplicateBarcodeIsRefusedUntilChanged) {
    const int32_t kunde = addCustomer(QStringLiteral("K"));
    addDevice(kunde, QStringLiteral("A"), QStringLiteral("777"));
    addStaging(1, QStringLiteral("777"));
    showDatenabruf();
    bool stayedOpen = false;
    whenShown(pruefling.get(), [&] {
        whenShown(neuPruefling.get(), [&] {
            EXPECT_EQ(neuPruefling->DBEditBarcode->text(), "777");
            neuPruefling->OKBtn->click();
            stayedOpen = neuPruefling->isVisible();
            type(neuPruefling->DBEditBarcode, QString());
            neuPruefling->OKBtn->click();
        });
        pruefling->BitBtn3->click();
        pruefling->CancelBtn->click();
    });
    datenabruf->BitBtn5->click();
    EXPECT_TRUE(stayedOpen);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0].text,
              "Es existiert bereits ein Prüfling mit dieser Barcodenummer/Prüflingsnummer.\r"
              "Barcodenummern müssen jedoch leer oder eindeutig sein.");
    EXPECT_EQ(count("Prueflng.db"), 2);
    platform::TQuery q(nullptr, db.get());
    q.SQLAdd(QStringLiteral("select * from \"Prueflng.db\" order by PrueflingNr"));
    q.Open();
    q.Last();
    EXPECT_EQ(q.FieldByName(QStringLiteral("Barcode")).AsString(), "");
    EXPECT_EQ(q.FieldByName(QStringLiteral("KundenNr")).AsInteger(), kunde);
}

TEST_F(RecordWindowsTest, NoNewDeviceWithoutACustomer) {
    addStaging(1, QStringLiteral("1"));
    showDatenabruf();
    bool deviceDialogShown = false;
    whenShown(pruefling.get(), [&] {
        whenShown(neuPruefling.get(), [&] {
            deviceDialogShown = true;
            neuPruefling->CancelBtn->click();
        });
        pruefling->BitBtn3->click();
        pruefling->CancelBtn->click();
    });
    datenabruf->BitBtn5->click();
    QApplication::processEvents();
    EXPECT_FALSE(deviceDialogShown);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(count("Prueflng.db"), 0);
}

TEST_F(RecordWindowsTest, DeletesAskFirst) {
    link.connected = true;
    for (int i = 1; i <= 5; ++i)
        addStaging(i, QString::number(i));
    showDatenabruf();
    answer = MessageResult::No;
    datenabruf->BitBtn1->click();
    datenabruf->BitBtn2->click();
    EXPECT_EQ(count("Uebernah.db"), 5);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "Die markierte Zeile löschen?");
    EXPECT_EQ(messages[0].icon, platform::MessageIcon::Warning);
    EXPECT_EQ(messages[1].text,
              "Sollen wirklich alle angezeigten Datensätze gelöscht und die Liste geleert werden?");
    EXPECT_EQ(messages[1].icon, platform::MessageIcon::Stop);

    answer = MessageResult::Yes;
    datenabruf->BitBtn1->click();
    EXPECT_EQ(count("Uebernah.db"), 4);
    EXPECT_EQ(stagingField(1, "LfdNr"), "<none>");
    datenabruf->BitBtn2->click();
    EXPECT_EQ(count("Uebernah.db"), 0);
    EXPECT_TRUE(datenabruf->BitBtn3->isEnabled());
    for (QPushButton* b :
         {datenabruf->BitBtn1, datenabruf->BitBtn2, datenabruf->BitBtn4, datenabruf->BitBtn5})
        EXPECT_FALSE(b->isEnabled());
}

TEST_F(RecordWindowsTest, TakeOverMovesTheAssignedRowsOnly) {
    const int32_t kunde = addCustomer(QStringLiteral("K"));
    const int32_t a = addDevice(kunde, QStringLiteral("A"), QStringLiteral("11"));
    const int32_t b = addDevice(kunde, QStringLiteral("B"), QStringLiteral("33"));
    addStaging(1, QStringLiteral("11"), 0, QStringLiteral("eins"));
    addStaging(2, QStringLiteral("22"));
    addStaging(3, QStringLiteral("33"), 0, QStringLiteral("drei"));
    addStaging(4, QString());
    addStaging(5, QStringLiteral("11"));
    showDatenabruf();
    answer = MessageResult::No;
    datenabruf->BitBtn4->click();
    EXPECT_EQ(count("Pruefung.db"), 0);
    answer = MessageResult::Yes;
    datenabruf->BitBtn4->click();
    EXPECT_EQ(messages.back().text,
              "Sollen die zugeordneten Sätze zu den gespeicherten Daten übernommen werden?");
    EXPECT_EQ(count("Pruefung.db"), 3);
    EXPECT_EQ(count("Uebernah.db"), 2);
    EXPECT_EQ(datenabruf->Query1->FieldByName(QStringLiteral("LfdNr")).AsInteger(), 2);
    platform::TQuery t(nullptr, db.get());
    t.SQLAdd(QStringLiteral("select * from \"Pruefung.db\" order by PruefungsNr"));
    t.Open();
    EXPECT_EQ(t.FieldByName(QStringLiteral("PrueflingNr")).AsInteger(), a);
    EXPECT_EQ(t.FieldByName(QStringLiteral("Notiz")).AsString(), "eins");
    t.Next();
    EXPECT_EQ(t.FieldByName(QStringLiteral("PrueflingNr")).AsInteger(), b);
    EXPECT_EQ(t.FieldByName(QStringLiteral("Datum")).AsDate(), QDate(2024, 3, 13));
    t.Next();
    EXPECT_EQ(t.FieldByName(QStringLiteral("PrueflingNr")).AsInteger(), a);
}

// A take-over the file does not keep: the list shows every row the file still holds, and the
// user is told once why. First the commit fails (a deferred constraint), then another program
// holds the file for writing.
TEST_F(RecordWindowsTest, ATakeOverTheFileRefusesKeepsEveryRowInTheListAndSaysWhy) {
    const int32_t kunde = addCustomer(QStringLiteral("K"));
    for (int i = 1; i <= 5; ++i) {
        addDevice(kunde, QStringLiteral("D%1").arg(i), QString::number(10 + i));
        addStaging(i, QString::number(10 + i));
    }
    exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    exec(QStringLiteral("create table anchor (id integer primary key)"));
    exec(QStringLiteral("create table pin (a integer references anchor(id) deferrable initially deferred)"));
    exec(QStringLiteral("create trigger dangling after insert on \"Pruefung.db\" "
                        "begin insert into pin values (99); end"));
    db->SetBusyTimeout(50);
    std::vector<std::string> log;
    const auto logBefore = platform::setLogSink([&](const std::string& text) { log.push_back(text); });
    const auto restoreLog = qScopeGuard([&] { platform::setLogSink(logBefore); });
    showDatenabruf();
    const auto shownLfdNrs = [&] {
        QStringList out;
        for (int row = 0; row < datenabruf->DBGrid1->model()->rowCount(); ++row)
            out << datenabruf->DBGrid1->CellText(row, column(datenabruf->DBGrid1, "LfdNr"));
        return out.join(QLatin1Char(',')).toStdString();
    };
    const auto takeOverRefused = [&](const char* reason) {
        messages.clear();
        log.clear();
        datenabruf->BitBtn4->click();
        QApplication::processEvents();
        OtherConnection file(db->Path());
        EXPECT_EQ(file.count("Uebernah.db"), 5);
        EXPECT_EQ(file.count("Pruefung.db"), 0);
        EXPECT_EQ(shownLfdNrs(), "1,2,3,4,5");
        EXPECT_EQ(datenabruf->Query1->RecordCount(), 5);
        ASSERT_EQ(messages.size(), 2u); // the question, then why nothing was stored
        const QString& text = messages[1].text;
        EXPECT_TRUE(text.startsWith("Die Daten konnten nicht übernommen werden: ")) << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String(reason))) << text.toStdString();
        EXPECT_TRUE(text.endsWith("\nEs wurde nichts gespeichert; die Datensätze bleiben in der Liste."));
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(), "Fehlermeldung: " +
                                  QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdString());
    };
    takeOverRefused("FOREIGN KEY");
    {
        OtherConnection writer(db->Path());
        ASSERT_EQ(writer.exec("BEGIN IMMEDIATE"), SQLITE_OK);
        takeOverRefused("gesperrt");
        writer.exec("ROLLBACK");
    }

    exec(QStringLiteral("drop trigger dangling"));
    messages.clear();
    datenabruf->BitBtn4->click();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(count("Pruefung.db"), 5);
    EXPECT_EQ(shownLfdNrs(), "");
}

// The re-match of a row that the take-over passes is interrupted, which makes the engine drop
// the whole transaction. The re-match lives with its failure and logs it; the take-over must not
// go on outside the transaction, so nothing is stored and the user is told so.
TEST_F(RecordWindowsTest, ATakeOverWhoseTransactionTheEngineDropsKeepsNothingAndSaysSo) {
    const int32_t kunde = addCustomer(QStringLiteral("K"));
    for (int i : {1, 3, 4})
        addDevice(kunde, QStringLiteral("D%1").arg(i), QString::number(10 * i + i));
    for (int i = 1; i <= 4; ++i)
        addStaging(i, QString::number(10 * i + i));
    showDatenabruf();
    addDevice(kunde, QStringLiteral("D2"), QStringLiteral("22")); // row 2 gets it while passed

    struct Injection {
        sqlite3* db;
        bool armed = true;
    } injection{db->Handle()};
    sqlite3_progress_handler(
        db->Handle(), 1,
        [](void* arg) {
            auto* in = static_cast<Injection*>(arg);
            for (sqlite3_stmt* s = sqlite3_next_stmt(in->db, nullptr); in->armed && s;
                 s = sqlite3_next_stmt(in->db, s)) {
                if (sqlite3_stmt_busy(s) && std::string_view(sqlite3_sql(s)).starts_with("UPDATE")) {
                    in->armed = false;
                    return 1;
                }
            }
            return 0;
        },
        &injection);
    struct Entry {
        std::string text;
        bool outsideTransaction;
    };
    std::vector<Entry> log;
    const auto before = platform::setLogSink([&](const std::string& text) {
        log.push_back({text, sqlite3_get_autocommit(db->Handle()) != 0});
    });
    messages.clear();
    datenabruf->BitBtn4->click();
    platform::setLogSink(before);
    sqlite3_progress_handler(db->Handle(), 0, nullptr, nullptr);

    EXPECT_FALSE(injection.armed);
    ASSERT_FALSE(log.empty());
    EXPECT_TRUE(
        log[0].text.starts_with("Datenabruf: Zeile 2 nicht neu zugeordnet: Fehler in der Datenbankdatei"))
        << log[0].text;
    EXPECT_TRUE(log[0].text.ends_with(". Meldung der Datenbank: interrupted")) << log[0].text;
    EXPECT_TRUE(log[0].outsideTransaction) << "the engine ended the transaction";
    OtherConnection file(db->Path());
    EXPECT_EQ(file.count("Pruefung.db"), 0);
    EXPECT_EQ(file.count("Uebernah.db"), 4);
    EXPECT_EQ(datenabruf->Query1->RecordCount(), 4);
    ASSERT_EQ(messages.size(), 2u);
    const QString& text = messages[1].text;
    EXPECT_TRUE(text.startsWith("Die Daten konnten nicht übernommen werden: ")) << text.toStdString();
    EXPECT_TRUE(text.contains("Meldung der Datenbank: interrupted")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("\nEs wurde nichts gespeichert; die Datensätze bleiben in der Liste."));

    messages.clear();
    datenabruf->BitBtn4->click();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(count("Pruefung.db"), 4);
}

// Interrupts the first statement whose SQL, with its values, starts with `start` and holds
// `marker`: the engine then ends the whole transaction, as it does on a full disk or an I/O error.
class InterruptOnce {
public:
    InterruptOnce(sqlite3* db, std::string start, std::string marker)
        : db_(db), start_(std::move(start)), marker_(std::move(marker)) {
        sqlite3_progress_handler(db_, 1, &InterruptOnce::progress, this);
    }
    ~InterruptOnce() { sqlite3_progress_handler(db_, 0, nullptr, nullptr); }
    InterruptOnce(const InterruptOnce&) = delete;
    InterruptOnce& operator=(const InterruptOnce&) = delete;
    bool Done() const { return done_; }

private:
    static int progress(void* arg) {
        auto* self = static_cast<InterruptOnce*>(arg);
        if (self->done_)
            return 0;
        for (sqlite3_stmt* s = sqlite3_next_stmt(self->db_, nullptr); !self->done_ && s;
             s = sqlite3_next_stmt(self->db_, s)) {
            if (!sqlite3_stmt_busy(s))
                continue;
            char* sql = sqlite3_expanded_sql(s);
            const std::string_view text = sql ? sql : "";
            self->done_ = text.starts_with(self->start_) && text.find(self->marker_) != text.npos;
            sqlite3_free(sql);
        }
        return self->done_ ? 1 : 0;
    }
    sqlite3* db_;
    std::string start_;
    std::string marker_;
    bool done_ = false;
};

// A row whose own failure made the engine end the transaction took every row moved before it
// along: its log line says that nothing was taken over, not that this row alone stayed.
TEST_F(RecordWindowsTest, ARowWhoseFailureEndsTheTakeOverSaysInTheLogThatNothingWasTakenOver) {
    const int32_t kunde = addCustomer(QStringLiteral("K"));
    for (int i = 1; i <= 3; ++i) {
        addDevice(kunde, QStringLiteral("D%1").arg(i), QString::number(10 * i + i));
        addStaging(i, QString::number(10 * i + i), 0, QStringLiteral("Notiz %1").arg(i));
    }
    showDatenabruf();
    std::vector<std::string> log;
    const auto before = platform::setLogSink([&](const std::string& text) { log.push_back(text); });
    const auto restoreLog = qScopeGuard([&] { platform::setLogSink(before); });
    messages.clear();
    {
        InterruptOnce interrupt(db->Handle(), "INSERT INTO \"Pruefung.db\"", "'Notiz 2'");
        datenabruf->BitBtn4->click();
        EXPECT_TRUE(interrupt.Done());
    }
    EXPECT_EQ(count("Pruefung.db"), 0);
    EXPECT_EQ(count("Uebernah.db"), 3);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_TRUE(log[0].starts_with("Übernahme: Zeile 2 nicht übernommen; die Übernahme ist abgebrochen, es "
                                   "wurde nichts übernommen: "))
        << log[0];
    EXPECT_TRUE(log[0].ends_with("Meldung der Datenbank: interrupted")) << log[0];
    EXPECT_TRUE(log[1].starts_with("Fehlermeldung: Die Daten konnten nicht übernommen werden: ")) << log[1];
}

// The engine ends the transaction while the take-over walks past unassigned rows (the re-match of
// row 2 is interrupted). The take-over stops there: no later row is tried, re-matched or blamed.
TEST_F(RecordWindowsTest, ATakeOverStopsAtTheRowWhereTheEngineEndedItsTransaction) {
    const int32_t kunde = addCustomer(QStringLiteral("K"));
    addDevice(kunde, QStringLiteral("D4"), QStringLiteral("44"));
    for (int i = 1; i <= 4; ++i)
        addStaging(i, QString::number(10 * i + i));
    showDatenabruf();
    addDevice(kunde, QStringLiteral("D2"), QStringLiteral("22")); // rows 2 and 3 get one when passed
    addDevice(kunde, QStringLiteral("D3"), QStringLiteral("33"));
    std::vector<std::string> log;
    const auto before = platform::setLogSink([&](const std::string& text) { log.push_back(text); });
    const auto restoreLog = qScopeGuard([&] { platform::setLogSink(before); });
    {
        InterruptOnce interrupt(db->Handle(), "UPDATE", "");
        datenabruf->BitBtn4->click();
        EXPECT_TRUE(interrupt.Done());
    }
    EXPECT_EQ(count("Pruefung.db"), 0);
    ASSERT_EQ(log.size(), 2u) << log.back();
    EXPECT_TRUE(log[0].starts_with("Datenabruf: Zeile 2 nicht neu zugeordnet: ")) << log[0];
    EXPECT_TRUE(log[1].starts_with("Fehlermeldung: Die Daten konnten nicht übernommen werden: ")) << log[1];
}

class RecordWindowsOnFailingDisk : public RecordWindowsTest {
protected:
    FailingDisk disk; // in place before SetUp opens the file
};

// The fetch's commit fails on a disk that fails reads too, so that the fetched rows cannot be
// dropped by reading the list again. Left in the list, "übernehmen" would store tests the file
// never held, and the next fetch, with the records still in the tester, would store them twice.
TEST_F(RecordWindowsOnFailingDisk, AFetchThatFailsTwiceLeavesNoRowTheFileLacks) {
    const int32_t kunde = addCustomer(QStringLiteral("K"));
    const int n = 30;
    for (int i = 1; i <= n; ++i) {
        addDevice(kunde, QStringLiteral("D%1").arg(i), QString::number(1000 + i));
        TStoredTestValues v;
        v.Barcode = std::to_string(1000 + i);
        v.Klasse = 1;
        v.Messablauf = 0x40;
        link.records.push_back(EncodeStoredRecord(v).Part);
    }
    link.connected = true;
    link.whileWaiting = [&](const FakeTesterLink::Request& r) {
        if (FakeTesterLink::NameOf(r) == "S" && link.count("S") == size_t(n))
            disk.SetFailing(true); // from the commit on
    };
    showDatenabruf();
    messages.clear();
    datenabruf->BitBtn3->click();
    link.whileWaiting = nullptr;
    disk.SetFailing(false);

    ASSERT_EQ(messages.size(), 1u);
    const QString& text = messages[0].text;
    EXPECT_TRUE(text.startsWith("Die Datensätze konnten nicht gespeichert werden: ")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nDie Liste konnte nicht neu gelesen werden und bleibt leer, bis sie wieder "
                              "geöffnet wird: "))
        << text.toStdString();
    EXPECT_EQ(link.count("C"), 0u);
    EXPECT_EQ(link.records.size(), size_t(n));
    EXPECT_EQ(datenabruf->DBGrid1->model()->rowCount(), 0);
    EXPECT_EQ(count("Uebernah.db"), 0);
    EXPECT_FALSE(datenabruf->BitBtn4->isEnabled());
    messages.clear();
    datenabruf->BitBtn4Click();
    EXPECT_TRUE(messages.empty());

    // Shown again, the list is the file's; fetched again, each record is stored once.
    datenabruf->BitBtn6->click();
    showDatenabruf();
    EXPECT_EQ(datenabruf->Query1->RecordCount(), 0);
    datenabruf->BitBtn3->click();
    EXPECT_EQ(link.count("C"), 1u);
    EXPECT_EQ(datenabruf->Query1->RecordCount(), n);
    datenabruf->BitBtn4->click();
    EXPECT_EQ(count("Uebernah.db"), 0);
    EXPECT_EQ(count("Pruefung.db"), n);
    platform::TQuery devices(nullptr, db.get());
    devices.SQLAdd(QStringLiteral("select count(distinct PrueflingNr) as N from \"Pruefung.db\""));
    devices.Open();
    EXPECT_EQ(devices.FieldByName(QStringLiteral("N")).AsInteger(), n);
}

TEST_F(RecordWindowsTest, ANoteTypedIntoTheMemoIsKeptOnClose) {
    addStaging(1, QStringLiteral("1"));
    showDatenabruf();
    datenabruf->DBMemo1->setFocus();
    keyClicks(datenabruf->DBMemo1, QStringLiteral("Kabel geknickt"));
    datenabruf->BitBtn6->click();
    EXPECT_FALSE(datenabruf->isVisible());
    EXPECT_EQ(stagingField(1, "Notiz"), "Kabel geknickt");
}

// A file that takes no writes: an edit that cannot be stored is reported once, dropped, and
// the dialog closes however the user closes it.
TEST_F(RecordWindowsTest, AnEditThatCannotBeStoredIsReportedOnceAndTheDialogCloses) {
    addDevice(addCustomer(QStringLiteral("K")), QStringLiteral("A"), QString());
    addStaging(1, QStringLiteral("1"));
    const std::vector<std::function<void()>> closings = {
        [&] { datenabruf->BitBtn6->click(); },
        [&] { keyClick(datenabruf.get(), Qt::Key_Escape); },
        [&] { datenabruf->close(); },
    };
    for (size_t i = 0; i < closings.size(); ++i) {
        SCOPED_TRACE(i);
        messages.clear();
        showDatenabruf();
        datenabruf->DBMemo1->setFocus();
        keyClicks(datenabruf->DBMemo1, QStringLiteral("Kabel"));
        exec(QStringLiteral("PRAGMA query_only = 1"));
        closings[i]();
        EXPECT_FALSE(datenabruf->isVisible());
        EXPECT_EQ(messages.size(), 1u);
        exec(QStringLiteral("PRAGMA query_only = 0"));
        EXPECT_EQ(stagingField(1, "Notiz"), "");
    }

    // The device choice: the refused assignment is reported once and every dialog closes.
    messages.clear();
    showDatenabruf();
    exec(QStringLiteral("PRAGMA query_only = 1"));
    whenShown(pruefling.get(), [&] { pruefling->OKBtn->click(); });
    datenabruf->BitBtn5->click();
    EXPECT_FALSE(pruefling->isVisible());
    EXPECT_EQ(messages.size(), 1u);
    datenabruf->BitBtn6->click();
    EXPECT_FALSE(datenabruf->isVisible());
    EXPECT_EQ(messages.size(), 1u);
    exec(QStringLiteral("PRAGMA query_only = 0"));
    EXPECT_EQ(stagingField(1, "PrueflingNr"), "0");
}

TEST_F(RecordWindowsTest, NothingCanBeFetchedWhileTheListIsNotOpen) {
    // A staging table that lacks its fields, as a damaged file holds it.
    exec(QStringLiteral("drop table \"Uebernah.db\""));
    exec(QStringLiteral("create table \"Uebernah.db\" (LfdNr integer)"));
    link.connected = true;
    showDatenabruf();
    EXPECT_FALSE(datenabruf->Query1->Active());
    EXPECT_EQ(messages.size(), 1u);
    for (QPushButton* b : {datenabruf->BitBtn1, datenabruf->BitBtn2, datenabruf->BitBtn3, datenabruf->BitBtn4,
                           datenabruf->BitBtn5})
        EXPECT_FALSE(b->isEnabled());
    datenabruf->BitBtn3Click();
    EXPECT_EQ(datenabruf->Retrieval().LastOutcome(), TRetrievalOutcome::roNone);
}

} // namespace

TEST_F(RecordWindowsTest, WithoutStoredPositionsTheDialogsStandWhereTheyWereDesigned) {
    EXPECT_EQ(datenabruf->pos(), QPoint(192, 107));
    EXPECT_EQ(datenabruf->size(), QSize(648, 477));
    EXPECT_EQ(pruefling->pos(), QPoint(244, 165));
}
