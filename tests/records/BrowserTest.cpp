#include "BrowserFixture.h"

#include "records/AuswListeDlg.h"
#include "records/DatenanzeigeDlg.h"
#include "tester/TesterSettings.h"
#include "tests/support/FakeTesterLink.h"
#include "tests/support/text_room.h"

#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

namespace {

class BrowserTest : public BrowserFixture {
protected:
    void SetUp() override {
        BrowserFixture::SetUp();
        browser = std::make_unique<TDatenanzeigeDlg>(ini());
        pick = std::make_unique<TAuswListeDlg>(ini());
        browser->PickList = pick.get();
    }
    void TearDown() override {
        browser.reset();
        pick.reset();
        BrowserFixture::TearDown();
    }

    QString current(platform::TQuery* q, const char* field) {
        return q->FieldByName(QString::fromLatin1(field)).AsString();
    }
    bool rowOn(size_t row) { return browser->ResultRows[row].Caption->isEnabled(); }
    std::vector<size_t> rowsOn() {
        std::vector<size_t> on;
        for (size_t i = 0; i < browser->ResultRows.size(); ++i)
            if (rowOn(i))
                on.push_back(i);
        return on;
    }

    std::unique_ptr<TDatenanzeigeDlg> browser;
    std::unique_ptr<TAuswListeDlg> pick;
};

TEST_F(BrowserTest, ShowsFirstCustomerFirstDeviceAndItsLastTestAndFollowsTheNavigator) {
    const int k1 = addCustomer(QStringLiteral("Müller"));
    const int k2 = addCustomer(QStringLiteral("Schmidt"));
    const int d1 = addDevice(k1, QStringLiteral("Bohrmaschine"));
    addDevice(k1, QStringLiteral("Föhn"));
    const int d3 = addDevice(k2, QStringLiteral("Kaffeemaschine"));
    addTest(d1);
    Test meier;
    meier.pruefer = QStringLiteral("Meier");
    const int t2 = addTest(d1, meier);
    addTest(d3);

    browser->show();
    EXPECT_EQ(browser->KundenAnzahl->text(), QStringLiteral("[2]"));
    EXPECT_EQ(browser->PrueflingAnzahl->text(), QStringLiteral("[2]"));
    EXPECT_EQ(browser->PruefungAnzahl->text(), QStringLiteral("[2]"));
    EXPECT_EQ(browser->KundenEdits[0]->text(), QStringLiteral("Müller"));
    EXPECT_EQ(browser->PrueflingEdits[0]->text(), QStringLiteral("Bohrmaschine"));
    EXPECT_EQ(browser->DBEdit16->text(), QStringLiteral("Meier"));
    EXPECT_EQ(browser->DBText1->text(), QStringLiteral("#%1").arg(k1));
    EXPECT_TRUE(browser->BitBtn2->isEnabled());

    browser->DBNavigator1->Button(TNavigateBtn::nbNext)->click();
    EXPECT_EQ(browser->KundenEdits[0]->text(), QStringLiteral("Schmidt"));
    EXPECT_EQ(browser->PrueflingAnzahl->text(), QStringLiteral("[1]"));
    EXPECT_EQ(browser->PrueflingEdits[0]->text(), QStringLiteral("Kaffeemaschine"));
    EXPECT_EQ(browser->PruefungAnzahl->text(), QStringLiteral("[1]"));

    // Hiding remembers the shown test; the next showing comes back to it.
    browser->DBNavigator1->Button(TNavigateBtn::nbFirst)->click();
    browser->DBNavigator3->Button(TNavigateBtn::nbLast)->click();
    browser->hide();
    EXPECT_EQ(Globals::aktCheckNumber, t2);
    EXPECT_FALSE(browser->Query1->Active());
    browser->show();
    EXPECT_EQ(browser->Query3->FieldByName(QStringLiteral("PruefungsNr")).AsInteger(), t2);
}

TEST_F(BrowserTest, RemembersTestOfAnotherCustomerAndFallsBackWhenItIsGone) {
    const int k1 = addCustomer(QStringLiteral("A"));
    const int k2 = addCustomer(QStringLiteral("B"));
    addTest(addDevice(k1, QStringLiteral("a")));
    addDevice(k2, QStringLiteral("b1"));
    const int d = addDevice(k2, QStringLiteral("b2"));
    const int first = addTest(d);
    addTest(d);
    Globals::aktCheckNumber = first;
    browser->show();
    EXPECT_EQ(browser->KundenEdits[0]->text(), QStringLiteral("B"));
    EXPECT_EQ(browser->PrueflingEdits[0]->text(), QStringLiteral("b2"));
    EXPECT_EQ(browser->Query3->FieldByName(QStringLiteral("PruefungsNr")).AsInteger(), first);
    browser->hide();

    Globals::aktCheckNumber = 999;
    browser->show();
    EXPECT_EQ(browser->KundenEdits[0]->text(), QStringLiteral("A"));
}

TEST_F(BrowserTest, ResultRowsAndDisplayTextsFollowTheShownTest) {
    const int k = addCustomer(QStringLiteral("K"));
    const int empty = addDevice(k, QStringLiteral("ohne Prüfung"));
    const int d = addDevice(k, QStringLiteral("mit Prüfungen"));
    Test t;
    t.menueflags = Menueflags::DINVDE; // 0702, class I, no insulation, no touch current
    t.sichtpruef = 0;
    t.values[0] = -1;
    addTest(d, t);
    browser->show();

    // The device without tests: empty test area.
    EXPECT_EQ(browser->PruefungAnzahl->text(), QStringLiteral("[0]"));
    EXPECT_FALSE(browser->BitBtn2->isEnabled());
    EXPECT_TRUE(rowsOn().empty());
    EXPECT_EQ(browser->SchutzklasseText->text(), QString());
    EXPECT_EQ(browser->ErgebnisText->text(), QString());
    EXPECT_EQ(browser->SichtpruefText->text(), QString());
    EXPECT_FALSE(browser->ResultRows[0].Value->isVisibleTo(browser.get()));
    EXPECT_EQ(browser->Query2->FieldByName(QStringLiteral("PrueflingNr")).AsInteger(), empty);

    browser->DBNavigator2->Button(TNavigateBtn::nbNext)->click();
    EXPECT_EQ(rowsOn(), (std::vector<size_t>{0, 2, 3, 4, 7}));
    EXPECT_TRUE(browser->ResultRows[0].Value->isVisibleTo(browser.get()));
    EXPECT_FALSE(browser->ResultRows[5].Value->isVisibleTo(browser.get()));
    EXPECT_FALSE(browser->ResultRows[5].LED->isEnabled());
    EXPECT_EQ(browser->SchutzklasseText->text(), QStringLiteral("I"));
    EXPECT_EQ(browser->SichtpruefText->text(), QStringLiteral("nein"));
    EXPECT_EQ(browser->ErgebnisText->text(), QStringLiteral("JA"));
    EXPECT_EQ(browser->ResultRows[0].Value->text(), QStringLiteral(" --- "));
    EXPECT_EQ(browser->ResultRows[2].Value->text(), FormatAbleitstrom(30));
    EXPECT_EQ(browser->ResultRows[7].Limit->text(), FormatStrom(1000));
    EXPECT_TRUE(browser->VDE0702LED->LEDOn());
    EXPECT_FALSE(browser->VDE0701LED->LEDOn());

    // Touch current added: rows 5 and 6 as well; class III without insulation: nothing.
    t.menueflags = Menueflags::DINVDE | Menueflags::mitBeruehr;
    addTest(d, t);
    t.menueflags = Menueflags::automatisch;
    t.schutzklasse = 3;
    addTest(d, t);
    browser->hide();
    browser->show();
    browser->DBNavigator3->Button(TNavigateBtn::nbLast)->click();
    EXPECT_TRUE(rowsOn().empty());
    EXPECT_EQ(browser->SchutzklasseText->text(), QStringLiteral("III"));
    EXPECT_TRUE(browser->VDE0701LED->LEDOn());
    EXPECT_TRUE(browser->ModeChecks[0]->Checked());
    EXPECT_FALSE(browser->ModeChecks[3]->Checked());
    browser->DBNavigator3->Button(TNavigateBtn::nbPrior)->click();
    EXPECT_EQ(rowsOn(), (std::vector<size_t>{0, 2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(browser->ModeChecks[3]->Checked());
}

TEST_F(BrowserTest, NoteAndInspectorArePostedWhenTheFieldIsLeft) {
    const int t = addTest(addDevice(addCustomer(QStringLiteral("K")), QStringLiteral("D")));
    browser->show();
    browser->DBMemo1->setFocus();
    typeText(*browser->DBMemo1, QStringLiteral("Kabel; \"geflickt\""));
    leave(*browser->DBMemo1);
    EXPECT_EQ(browser->Query3->State(), platform::TDataSetState::dsBrowse);
    const QByteArray sql =
        "select Notiz, Pruefer from \"Pruefung.db\" where PruefungsNr=" + QByteArray::number(t);
    EXPECT_EQ(stored(sql.constData(), "Notiz"), QStringLiteral("Kabel; \"geflickt\""));

    browser->DBEdit16->setFocus();
    typeText(*browser->DBEdit16, QStringLiteral("Meier"));
    leave(*browser->DBEdit16);
    EXPECT_EQ(stored(sql.constData(), "Pruefer"), QStringLiteral("Meier"));
}

TEST_F(BrowserTest, CustomerFieldIsPostedOnExitAndANewDeviceBelongsToTheShownCustomer) {
    addCustomer(QStringLiteral("A"));
    const int k2 = addCustomer(QStringLiteral("B"));
    browser->show();
    browser->DBNavigator1->Button(TNavigateBtn::nbLast)->click();
    browser->KundenEdits[6]->selectAll();
    typeText(*browser->KundenEdits[6], QStringLiteral("Köln"));
    leave(*browser->KundenEdits[6]);
    EXPECT_EQ(stored("select KdOrt from \"Kunden.db\" where KundenNr=2", "KdOrt"), QStringLiteral("Köln"));

    browser->DBNavigator2->Button(TNavigateBtn::nbInsert)->click();
    typeText(*browser->PrueflingEdits[0], QStringLiteral("Lampe"));
    leave(*browser->PrueflingEdits[0]);
    EXPECT_EQ(stored("select KundenNr from \"Prueflng.db\" where Bezeichnung = 'Lampe'", "KundenNr"),
              QString::number(k2));
    EXPECT_EQ(browser->PrueflingAnzahl->text(), QStringLiteral("[1]"));
}

TEST_F(BrowserTest, DeviceOfACustomerBeingInsertedBelongsToTheNewCustomer) {
    addDevice(addCustomer(QStringLiteral("A")), QStringLiteral("alt"));
    browser->show();
    browser->DBNavigator1->Button(TNavigateBtn::nbInsert)->click();
    EXPECT_EQ(browser->PrueflingAnzahl->text(), QStringLiteral("[0]"));
    typeText(*browser->KundenEdits[0], QStringLiteral("Neu"));
    browser->DBNavigator2->Button(TNavigateBtn::nbInsert)->click();
    typeText(*browser->PrueflingEdits[0], QStringLiteral("Säge"));
    leave(*browser->PrueflingEdits[0]);
    const QString kunde = stored("select KundenNr from \"Kunden.db\" where Name1 = 'Neu'", "KundenNr");
    EXPECT_FALSE(kunde.isEmpty());
    EXPECT_EQ(stored("select KundenNr from \"Prueflng.db\" where Bezeichnung = 'Säge'", "KundenNr"), kunde);
    EXPECT_EQ(stored("select KundenNr from \"Prueflng.db\" where Bezeichnung = 'alt'", "KundenNr"),
              QStringLiteral("1"));
}

TEST_F(BrowserTest, BarcodeHeldByAnotherDeviceIsRefusedAndTheOwnOneAccepted) {
    const int k = addCustomer(QStringLiteral("K"));
    addDevice(k, QStringLiteral("eins"), QStringLiteral("4711"));
    addDevice(k, QStringLiteral("zwei"), QStringLiteral("0815"));
    browser->show();
    TDBEdit& barcode = *browser->DBEdit15;
    EXPECT_EQ(barcode.text(), QStringLiteral("4711"));

    // The own barcode, typed again, passes.
    barcode.selectAll();
    typeText(barcode, QStringLiteral("4711"));
    leave(barcode);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(browser->Query2->State(), platform::TDataSetState::dsBrowse);

    barcode.selectAll();
    typeText(barcode, QStringLiteral("0815"));
    leave(barcode);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], DuplicateBarcodeMessage());
    EXPECT_EQ(barcode.text(), QStringLiteral("4711"));
    EXPECT_EQ(stored("select Barcode from \"Prueflng.db\" where PrueflingNr=1", "Barcode"),
              QStringLiteral("4711"));

    // A quote in the text is no SQL: it is checked and stored as typed.
    barcode.selectAll();
    typeText(barcode, QStringLiteral("12\"34"));
    leave(barcode);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(stored("select Barcode from \"Prueflng.db\" where PrueflingNr=1", "Barcode"),
              QStringLiteral("12\"34"));

    // A new device with a taken barcode is discarded.
    browser->DBNavigator2->Button(TNavigateBtn::nbInsert)->click();
    typeText(barcode, QStringLiteral("0815"));
    leave(barcode);
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(count("Prueflng.db"), 2);
    EXPECT_EQ(browser->PrueflingAnzahl->text(), QStringLiteral("[2]"));
}

TEST_F(BrowserTest, DeletingACustomerDeletesItsDevicesAndTheirTestsAfterOneQuestion) {
    const int k = addCustomer(QStringLiteral("weg"));
    const int other = addCustomer(QStringLiteral("bleibt"));
    for (int d = 0; d < 2; ++d) {
        const int device = addDevice(k, QStringLiteral("D%1").arg(d));
        for (int t = 0; t < 3; ++t)
            addTest(device);
    }
    addTest(addDevice(other, QStringLiteral("X")));
    browser->show();
    browser->DBNavigator1->Button(TNavigateBtn::nbDelete)->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("Datensatz löschen?"));
    EXPECT_EQ(count("Kunden.db"), 1);
    EXPECT_EQ(count("Prueflng.db"), 1);
    EXPECT_EQ(count("Pruefung.db"), 1);
    EXPECT_EQ(browser->KundenEdits[0]->text(), QStringLiteral("bleibt"));
    EXPECT_EQ(browser->PruefungAnzahl->text(), QStringLiteral("[1]"));
}

TEST_F(BrowserTest, DeletingADeviceDeletesItsTestsOnly) {
    const int k = addCustomer(QStringLiteral("K"));
    const int d1 = addDevice(k, QStringLiteral("D1"));
    addTest(d1);
    addTest(d1);
    addTest(addDevice(k, QStringLiteral("D2")));
    browser->show();
    browser->DBNavigator2->Button(TNavigateBtn::nbDelete)->click();
    EXPECT_EQ(count("Prueflng.db"), 1);
    EXPECT_EQ(count("Pruefung.db"), 1);
    EXPECT_EQ(browser->PrueflingEdits[0]->text(), QStringLiteral("D2"));
}

TEST_F(BrowserTest, AFailingCascadeLeavesTheDatabaseAndTheListsAsTheyWere) {
    const int k = addCustomer(QStringLiteral("K"));
    const int d1 = addDevice(k, QStringLiteral("D1"));
    addTest(d1);
    const int d2 = addDevice(k, QStringLiteral("D2"));
    const int locked = addTest(d2);
    db->Execute(
        QStringLiteral("CREATE TRIGGER lock BEFORE DELETE ON \"Pruefung.db\" WHEN old.PruefungsNr = %1 "
                       "BEGIN SELECT RAISE(ABORT, 'gesperrt'); END")
            .arg(locked));
    browser->show();
    browser->DBNavigator1->Button(TNavigateBtn::nbDelete)->click();
    ASSERT_EQ(messages.size(), 2u); // the question, then the engine's refusal
    EXPECT_TRUE(messages[1].contains(QStringLiteral("gesperrt")));
    EXPECT_EQ(count("Kunden.db"), 1);
    EXPECT_EQ(count("Prueflng.db"), 2);
    EXPECT_EQ(count("Pruefung.db"), 2);
    processEvents();
    EXPECT_EQ(browser->KundenEdits[0]->text(), QStringLiteral("K"));
    EXPECT_EQ(browser->PrueflingAnzahl->text(), QStringLiteral("[2]"));
    EXPECT_EQ(browser->PruefungAnzahl->text(), QStringLiteral("[1]"));
}

TEST_F(BrowserTest, FillWerteSatzTakesCustomerDeviceAndTestByFieldName) {
    const int k = addCustomer(QStringLiteral("Müller"), QStringLiteral("Ulm"));
    const int d = addDevice(k, QStringLiteral("Toaster"), QStringLiteral("9"));
    Test t;
    t.menueflags = Menueflags::mitIsol | Menueflags::mitIsoDiff | Menueflags::DINVDE;
    t.messablauf = Messablauf::Schnellabschaltung;
    t.grenzwertflags = 2;
    t.notiz = QStringLiteral("ok");
    const int n = addTest(d, t);
    browser->show();
    TWerteSatz w;
    TDatenanzeigeDlg::FillWerteSatz(*browser->Query1, *browser->Query2, w, *browser->Query3, 0);
    EXPECT_EQ(w.KundenNr, k);
    EXPECT_EQ(w.PrueflingNr, d);
    EXPECT_EQ(w.PruefungsNr, n);
    EXPECT_EQ(w.Name1, QStringLiteral("Müller"));
    EXPECT_EQ(w.KdOrt, QStringLiteral("Ulm"));
    EXPECT_EQ(w.Bezeichnung, QStringLiteral("Toaster"));
    EXPECT_EQ(w.Barcode, QStringLiteral("9"));
    EXPECT_EQ(w.Datum.date(), QDate(2024, 3, 5));
    EXPECT_EQ(w.GTSeriennummer, QStringLiteral("0123456789"));
    EXPECT_EQ(w.Isolationswid, 2500);
    EXPECT_EQ(w.GrwSchnellabschaltung, 1000);
    EXPECT_EQ(w.Sichtpruef, 1);
    EXPECT_TRUE(w.Pruefungsergebnis);
    EXPECT_EQ(w.Notiz, QStringLiteral("ok"));
    EXPECT_TRUE(w.mitIsoDiff);
    EXPECT_TRUE(w.IsolationswidLimit);
    EXPECT_TRUE(w.Schnellabschaltung);
    EXPECT_EQ(w.DINVDE, 2);
    EXPECT_NE(w.Enables, 0);

    // Printing hands the same record over.
    TWerteSatz printed;
    bool preview = false;
    Globals::Preview = true;
    browser->PrintProtocol = [&](const TWerteSatz& r, bool p) {
        printed = r;
        preview = p;
    };
    browser->BitBtn2->click();
    EXPECT_EQ(printed.PruefungsNr, n);
    EXPECT_EQ(printed.Name1, QStringLiteral("Müller"));
    EXPECT_TRUE(preview);
}

// Class II with the insulation test to 0702: the leakage current applies from firmware level 3.
TEST_F(BrowserTest, TheWritersTesterDecidesTheRowsShownAndTheInsulationText) {
    Test t;
    t.schutzklasse = 2;
    t.menueflags = Menueflags::mitIsol | Menueflags::DINVDE | Menueflags::mitBeruehr;
    t.values[1] = 15000;
    addTest(addDevice(addCustomer(QStringLiteral("K")), QStringLiteral("D")), t);
    browser->show();
    EXPECT_EQ(rowsOn(), (std::vector<size_t>{1})) << "no writers: as with no tester connected";
    EXPECT_EQ(browser->ResultRows[1].Value->text(), QStringLiteral("15,00"));
    browser->hide();

    FakeTesterLink link;
    TTesterSettings writers(link);
    browser->TesterWriters = &writers;
    browser->show();
    EXPECT_EQ(rowsOn(), (std::vector<size_t>{1, 2}));
    EXPECT_EQ(browser->ResultRows[1].Value->text(), QStringLiteral(">10.0"));
    browser->hide();
    browser->TesterWriters = nullptr;
}

TEST_F(BrowserTest, ApplyingTheModeWritesTheTestersSettingsAndManualLimits) {
    FakeTesterLink link;
    link.level = 1;
    TTesterSettings writers(link);
    browser->TesterWriters = &writers;
    browser->BitBtn4->setEnabled(true);

    // Nothing shown: the protection class reads 0 and nothing is sent.
    const int d = addDevice(addCustomer(QStringLiteral("K")), QStringLiteral("D"));
    browser->show();
    browser->BitBtn4->click();
    EXPECT_TRUE(link.requests.empty());
    browser->hide();

    Test t;
    t.schutzklasse = 1;
    t.menueflags = Menueflags::automatisch | Menueflags::mitIsol | Menueflags::manuGrenz | Menueflags::DINVDE;
    t.limits = {200, 1000, 700, 50, 25, 1000}; // 200 mOhm only in the newer table
    addTest(d, t);
    browser->show();
    browser->BitBtn4->click();
    EXPECT_EQ(link.block.d[TesterSettingsBlock::Schutzklasse] & TesterSettingsBlock::ClassMask, 1);
    const uint8_t mode = link.block.d[TesterSettingsBlock::Menueflags];
    EXPECT_EQ(mode & 0x7F,
              Menueflags::automatisch | Menueflags::mitIsol | Menueflags::manuGrenz | Menueflags::DINVDE);
    EXPECT_EQ(link.sequence[2], 9); // 200 mOhm
    EXPECT_EQ(link.sequence[3], 3); // 1000 kOhm
    EXPECT_EQ(link.sequence[4], 5); // 0.70 mA
}

TEST_F(BrowserTest, ApplyingTheModeStopsAtTheFirstFailingWriter) {
    FakeTesterLink link;
    link.answers = false;
    TTesterSettings writers(link);
    browser->TesterWriters = &writers;
    addTest(addDevice(addCustomer(QStringLiteral("K")), QStringLiteral("D")));
    browser->show();
    browser->BitBtn4->setEnabled(true);
    browser->BitBtn4->click();
    for (const auto& r : link.requests)
        EXPECT_EQ(r.sub, MsgQueryFlags); // only the first writer's reads, nothing written
    EXPECT_FALSE(link.requests.empty());
}

// A file that takes no writes: each refused edit is reported once and dropped, so the fields
// show what the file holds and the window closes without asking again.
TEST_F(BrowserTest, AnEditThatCannotBeStoredIsReportedOnceAndDropped) {
    addTest(addDevice(addCustomer(QStringLiteral("K"), QStringLiteral("Bonn")), QStringLiteral("D")));
    browser->show();
    db->Execute(QStringLiteral("PRAGMA query_only = 1"));
    browser->KundenEdits[6]->setFocus();
    browser->KundenEdits[6]->selectAll();
    typeText(*browser->KundenEdits[6], QStringLiteral("Köln"));
    leave(*browser->KundenEdits[6]);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(browser->Query1->State(), platform::TDataSetState::dsBrowse);
    EXPECT_EQ(browser->KundenEdits[6]->text(), QStringLiteral("Bonn"));

    // A new customer that cannot be stored leaves the list again with the lists below it.
    browser->DBNavigator1->Button(TNavigateBtn::nbInsert)->click();
    typeText(*browser->KundenEdits[0], QStringLiteral("Neu"));
    leave(*browser->KundenEdits[0]);
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(browser->KundenAnzahl->text(), QStringLiteral("[1]"));
    EXPECT_EQ(browser->KundenEdits[0]->text(), QStringLiteral("K"));
    EXPECT_EQ(browser->PrueflingAnzahl->text(), QStringLiteral("[1]"));

    // A note still being typed when the window closes.
    browser->DBMemo1->setFocus();
    typeText(*browser->DBMemo1, QStringLiteral("Kabel"));
    browser->BitBtn1->click();
    EXPECT_FALSE(browser->isVisible());
    EXPECT_EQ(messages.size(), 3u);
    db->Execute(QStringLiteral("PRAGMA query_only = 0"));
    EXPECT_EQ(stored("select KdOrt from \"Kunden.db\"", "KdOrt"), QStringLiteral("Bonn"));
    EXPECT_EQ(stored("select Notiz from \"Pruefung.db\"", "Notiz"), QString());
    EXPECT_EQ(count("Kunden.db"), 1);
}

TEST_F(BrowserTest, PickingACustomerMovesTheBrowserToItsDevicesAndLastTest) {
    addCustomer(QStringLiteral("A"));
    const int k2 = addCustomer(QStringLiteral("B"));
    addDevice(k2, QStringLiteral("b1"));
    const int d = addDevice(k2, QStringLiteral("b2"));
    addTest(addDevice(k2, QStringLiteral("b3")));
    addTest(d);
    browser->show();
    QString caption;
    std::vector<TColumn> columns;
    QTimer::singleShot(0, pick.get(), [&] {
        caption = pick->windowTitle();
        columns = pick->DBGrid1->ShownColumns();
        pick->DBGrid1->setCurrentIndex(pick->DBGrid1->model()->index(1, 0));
        pick->BitBtn1->click();
    });
    browser->BitBtn6->click();
    EXPECT_EQ(caption, QStringLiteral("Kundenauswahl"));
    ASSERT_EQ(columns.size(), 9u);
    EXPECT_EQ(columns[3].Title, QStringLiteral("Straße"));
    EXPECT_EQ(columns[4].TitleAlignment, TAlignment::taCenter);
    EXPECT_TRUE(columns[7].Title.isEmpty());
    EXPECT_EQ(browser->KundenEdits[0]->text(), QStringLiteral("B"));
    EXPECT_EQ(browser->PrueflingEdits[0]->text(), QStringLiteral("b1"));
    EXPECT_EQ(pick->DBGrid1->DataSource(), nullptr);
    EXPECT_TRUE(pick->DBGrid1->Columns().empty());

    // The device list holds only this customer's devices; picking the second moves there.
    int rows = -1;
    QTimer::singleShot(0, pick.get(), [&] {
        caption = pick->windowTitle();
        rows = pick->DBGrid1->model()->rowCount();
        pick->DBGrid1->setCurrentIndex(pick->DBGrid1->model()->index(1, 0));
        pick->close();
    });
    browser->BitBtn7->click();
    EXPECT_EQ(caption, QStringLiteral("Prüflingsauswahl"));
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(browser->PrueflingEdits[0]->text(), QStringLiteral("b2"));
    EXPECT_EQ(browser->PruefungAnzahl->text(), QStringLiteral("[1]"));
}

TEST_F(BrowserTest, EveryCaptionAndTitleHasRoomInTheProgramsFont) {
    Test failed;
    failed.ergebnis = false;
    failed.sichtpruef = -1;
    failed.schutzklasse = 3;
    addTest(addDevice(addCustomer(QStringLiteral("Müller")), QStringLiteral("Bohrer")), failed);
    const ProgramFont font;
    TDatenanzeigeDlg window{QString()};
    TAuswListeDlg list{QString()};
    window.PickList = &list;
    window.show();
    QString without = CaptionsWithoutRoom(window);
    for (QPushButton* pickList : {window.BitBtn6, window.BitBtn7}) {
        QTimer::singleShot(0, &list, [&] {
            without += GridTextsWithoutRoom(*list.DBGrid1);
            list.BitBtn1->click();
        });
        pickList->click();
    }
    EXPECT_EQ(without.toStdString(), "");
}

TEST_F(BrowserTest, PickListKeepsItsPlaceAndSizeAcrossARestart) {
    pick->move(40, 50);
    pick->resize(500, 333);
    pick.reset();
    TAuswListeDlg again(ini());
    EXPECT_EQ(again.pos(), QPoint(40, 50));
    EXPECT_EQ(again.size(), QSize(500, 333));
    pick = std::make_unique<TAuswListeDlg>(ini());
    browser->PickList = pick.get();
}

TEST_F(BrowserTest, PickListKeptLargerThanTheScreenIsShownWholeOnIt) {
    pick->move(-500, 4000);
    pick->resize(5000, 3000);
    pick.reset();
    TAuswListeDlg again(ini());
    again.show();
    for (int i = 0; i < 100 && !again.windowHandle()->isExposed(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    processEvents();
    const QRect area = again.screen()->availableGeometry();
    EXPECT_TRUE(area.contains(again.frameGeometry()))
        << again.frameGeometry().x() << "," << again.frameGeometry().y() << " "
        << again.frameGeometry().width() << "x" << again.frameGeometry().height();
    again.hide();
    pick = std::make_unique<TAuswListeDlg>(ini());
    browser->PickList = pick.get();
}

} // namespace

TEST(BrowserPositionTest, WithoutStoredPositionsTheWindowsStandWhereTheyWereDesigned) {
    TAuswListeDlg list{QString()};
    EXPECT_EQ(list.pos(), QPoint(227, 108));
    EXPECT_EQ(list.size(), QSize(454, 335));
    TDatenanzeigeDlg browser{QString()};
    EXPECT_EQ(browser.pos(), QPoint(194, 113));
}
