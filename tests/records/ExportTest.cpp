#include "BrowserFixture.h"

#include "platform/log_sink.h"
#include "records/CsvLine.h"
#include "records/DatenanzeigeDlg.h"
#include "tester/TesterSettings.h"
#include "tests/support/FakeTesterLink.h"

#include <QFile>
#include <QFileInfo>
#include <QToolButton>

#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <functional>

namespace {

class ExportTest : public BrowserFixture {
protected:
    void SetUp() override {
        BrowserFixture::SetUp();
        Globals::ExportColumns.fill(false);
        browser = std::make_unique<TDatenanzeigeDlg>(ini());
    }
    void TearDown() override {
        browser.reset();
        BrowserFixture::TearDown();
    }
    void only(std::initializer_list<const char*> keys) {
        Globals::ExportColumns.fill(false);
        for (const char* key : keys)
            for (size_t i = 0; i < ExportColumnTable.size(); ++i)
                if (QByteArray(ExportColumnTable[i].Key) == key)
                    Globals::ExportColumns[i] = true;
    }
    QString file() const { return dir.filePath(QStringLiteral("export.csv")); }
    QByteArray written() {
        QFile f(file());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    void toFile() {
        Globals::ExportFile = 1;
        Globals::ExportFileName = file();
    }

    std::unique_ptr<TDatenanzeigeDlg> browser;
};

TEST_F(ExportTest, LineItemsAreQuotedAndCannotBreakTheColumns) {
    EXPECT_EQ(StringsToCsvLine({}), QString());
    EXPECT_EQ(StringsToCsvLine({QStringLiteral(" a "), QString(), QStringLiteral("b;c")}),
              QStringLiteral("\" a \";\"\";\"b;c\""));
    EXPECT_EQ(StringsToCsvLine({QStringLiteral("2\" Rohr"), QStringLiteral("x\r\ny\nz\r")}),
              QStringLiteral("\"2' Rohr\";\"x\r\ny\nz\r\""));
}

TEST_F(ExportTest, EverySwitchedOnColumnHasItsHeaderAndValueInTableOrder) {
    Globals::ExportColumns.fill(true);
    QStringList header;
    FillCsvHeader(header);
    ASSERT_EQ(header.size(), ExportColumnCount);
    EXPECT_EQ(header[23], QStringLiteral("SichtpruefungBestanden"));
    EXPECT_EQ(header[0], QStringLiteral("KundenNr"));
    EXPECT_EQ(header[55], QStringLiteral("Enables"));

    TWerteSatz w;
    w.Menueflags = Menueflags::mitIsol | Menueflags::mitIsoDiff;
    w.Sichtpruef = -1;
    w.Schutzleiterwid = -1;
    DecodeWerteSatzFlags(w, 0);
    QStringList values;
    FillCsvValues(values, w, 0);
    ASSERT_EQ(values.size(), ExportColumnCount);
    EXPECT_EQ(values[23], QStringLiteral("---"));
    EXPECT_EQ(values[25], QStringLiteral(" --- "));
    EXPECT_EQ(values[50], QStringLiteral("0701"));
    EXPECT_EQ(values[51], QStringLiteral("Iso+Diff"));

    w.DINVDE = 7;
    FillCsvValues(values, w, 0);
    EXPECT_EQ(values[50], QString());

    // With every switch off both lines are empty.
    Globals::ExportColumns.fill(false);
    EXPECT_EQ(CsvHeaderLine(), QString());
    EXPECT_EQ(CsvValueLine(w, 0), QString());
}

TEST_F(ExportTest, ShownTestIsWrittenByteForByteInWindows1252) {
    only({"PruefungsNr", "Name1", "Datum", "Sichtpruefung", "Schutzleiterwid", "Ableitstrom",
          "Pruefungsergebnis", "Notiz", "DINVDE", "mitIsol"});
    const int d = addDevice(addCustomer(QStringLiteral("Müller €")), QStringLiteral("D"));
    Test t;
    t.menueflags = Menueflags::mitIsol | Menueflags::mitIsoDiff | Menueflags::DINVDE;
    t.notiz = QStringLiteral("Stecker \"lose\"; neu\r\nlöten");
    const int n = addTest(d, t);
    toFile();
    browser->show();
    browser->BitBtn3->click();
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(saveRequests.empty());
    const QByteArray expected =
        "\"PruefungsNr\";\"Name1\";\"Datum\";\"SichtpruefungBestanden\";\"Schutzleiterwid\";\"Ableitstrom\";"
        "\"Pruefungsergebnis\";\"Notiz\";\"DINVDE\";\"mitIsol\"\r\n\"" +
        QByteArray::number(n) + "\";\"M\xFCller \x80\";\"05.03.2024\";\"ja\";\"" +
        FormatSchutzleiterwid(150).toLatin1() + "\";\"" + FormatAbleitstrom(30).toLatin1() +
        "\";\"ja\";\"Stecker 'lose'; neu\r\nl\xF6ten\";\"0702\";\"Iso+Diff\"\r\n";
    EXPECT_EQ(written(), expected);
}

// Class II with the insulation test to 0702: the leakage current applies from firmware level 3.
TEST_F(ExportTest, EveryExportFollowsTheWritersTester) {
    only({"Isolationswid", "Enables"});
    Test t;
    t.schutzklasse = 2;
    t.menueflags = Menueflags::mitIsol | Menueflags::DINVDE | Menueflags::mitBeruehr;
    t.values[1] = 15000;
    const int n = addTest(addDevice(addCustomer(QStringLiteral("K")), QStringLiteral("D")), t);
    toFile();
    const QByteArray header = "\"Isolationswid\";\"Enables\"\r\n";
    const auto exports = [&] {
        browser->show();
        std::vector<QByteArray> files;
        browser->BitBtn3->click(); // the shown test
        files.push_back(written());
        browser->BitBtn5->click(); // all tests, read directly
        files.push_back(written());
        // A date not in its own form: all tests through the queries.
        db->Execute(
            QStringLiteral("update \"Pruefung.db\" set Datum = ' ' || Datum where PruefungsNr = %1").arg(n));
        browser->BitBtn5->click();
        files.push_back(written());
        db->Execute(QStringLiteral("update \"Pruefung.db\" set Datum = trim(Datum)"));
        browser->hide();
        return files;
    };
    const QByteArray disconnected = header + "\"15,00\";\"2\"\r\n";
    EXPECT_EQ(exports(), (std::vector<QByteArray>(3, disconnected)))
        << "no writers: as with no tester connected";

    FakeTesterLink link;
    TTesterSettings writers(link);
    browser->TesterWriters = &writers;
    const QByteArray level3 = header + "\">10.0\";\"6\"\r\n";
    EXPECT_EQ(exports(), (std::vector<QByteArray>(3, level3)));
    link.level = 2;
    EXPECT_EQ(exports(), (std::vector<QByteArray>(3, header + "\">10.0\";\"2\"\r\n")));
    browser->TesterWriters = nullptr;
    EXPECT_TRUE(messages.empty());
}

TEST_F(ExportTest, ShownExportOfADeviceWithoutTestsWritesItsCustomerAndDevice) {
    only({"KundenNr", "PruefungsNr", "Bezeichnung", "Notiz", "DINVDE", "Pruefungsergebnis"});
    const int k = addCustomer(QStringLiteral("K"));
    addDevice(k, QStringLiteral("ohne"));
    toFile();
    browser->show();
    browser->BitBtn3->click();
    EXPECT_EQ(
        written(),
        "\"KundenNr\";\"PruefungsNr\";\"Bezeichnung\";\"Pruefungsergebnis\";\"Notiz\";\"DINVDE\"\r\n\"" +
            QByteArray::number(k) + "\";\"0\";\"ohne\";\"nein\";\"\";\"0701\"\r\n");
}

TEST_F(ExportTest, AllTestsWithTheirDeviceAndCustomerLeavingOrphansOut) {
    only({"KundenNr", "PrueflingNr", "PruefungsNr", "Name1", "Bezeichnung", "Barcode"});
    const int k1 = addCustomer(QStringLiteral("A"));
    const int k2 = addCustomer(QStringLiteral("B"));
    const int d1 = addDevice(k1, QStringLiteral("a1"), QStringLiteral("111"));
    const int d2 = addDevice(k2, QStringLiteral("b1"));
    const int orphanDevice = addDevice(99, QStringLiteral("niemandes"));
    const int t1 = addTest(d1);
    const int t2 = addTest(d2);
    addTest(orphanDevice);
    addTest(12345); // device gone
    const int t3 = addTest(d1);
    saveAnswer = {true, dir.filePath(QStringLiteral("alle"))};
    browser->show();
    browser->BitBtn5->click();
    ASSERT_EQ(saveRequests.size(), 1u);
    const platform::SaveFileRequest& r = saveRequests[0];
    EXPECT_EQ(r.Title, QStringLiteral("Exportdatei"));
    EXPECT_EQ(r.DefaultExtension, QStringLiteral("csv"));
    EXPECT_EQ(r.Filter, QStringLiteral("CSV-Dateien (*.csv)|*.csv|alle Dateien (*.*)|*.*"));
    EXPECT_EQ(r.Options,
              unsigned(platform::fdHideReadOnly | platform::fdPathMustExist | platform::fdEnableSizing));

    QFile f(dir.filePath(QStringLiteral("alle.csv")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_EQ(lines.size(), 5); // header, three tests, nothing after the last CR LF
    EXPECT_EQ(lines[0],
              "\"KundenNr\";\"PrueflingNr\";\"PruefungsNr\";\"Name1\";\"Bezeichnung\";\"Barcode\"\r");
    QStringList rows;
    for (int i = 1; i < 4; ++i)
        rows << QString::fromLatin1(lines[i]);
    rows.sort();
    const auto row = [](int k, int d, int t, const char* name, const char* dev, const char* bc) {
        return QStringLiteral("\"%1\";\"%2\";\"%3\";\"%4\";\"%5\";\"%6\"\r")
            .arg(k)
            .arg(d)
            .arg(t)
            .arg(QString::fromLatin1(name), QString::fromLatin1(dev), QString::fromLatin1(bc));
    };
    QStringList expected{row(k1, d1, t1, "A", "a1", "111"), row(k2, d2, t2, "B", "b1", ""),
                         row(k1, d1, t3, "A", "a1", "111")};
    expected.sort();
    EXPECT_EQ(rows, expected);
    EXPECT_TRUE(lines[4].isEmpty());
}

// Every column of every test of a small database, byte for byte: texts beyond ASCII, quotes,
// separators and line breaks, empty fields, values out of range or not measured, and the
// flags that change other values. Tests come in the order of their customers and devices,
// which any way of joining the tables delivers.
TEST_F(ExportTest, AllTestsAreWrittenByteForByteInEveryColumn) {
    Globals::ExportColumns.fill(true);
    db->Execute(QStringLiteral(
        "insert into \"Kunden.db\" (KundenNr, Name1, Name2, Name3, KdStr, KdLKZ, KdPLZ, KdOrt, Telefon, Fax) "
        "values (1, 'Müller & Söhne \"Elektro\"', 'Abt. Prüfung; Labor', null, 'Hauptstraße 1', 'D', "
        "'50667', 'Köln', '0221 123', ''), "
        "(2, 'Zoë €uro™', '日本', 'a\"b', null, null, null, null, null, null)"));
    db->Execute(QStringLiteral(
        "insert into \"Prueflng.db\" (PrueflingNr, KundenNr, Bezeichnung, Typ, Inventarnummer, "
        "Fabrikationsnummer, Seriennummer, Barcode) values "
        "(1, 1, 'Bohrmaschine', 'BM 2', 'INV-1', 'F1', 'S1', '4711'), "
        "(2, 1, 'Säge', null, null, null, null, null), (3, 2, 'Lampe', '', '', '', '', ''), "
        "(4, 99, 'niemandes', null, null, null, null, '9')"));
    const char* columns =
        "(PruefungsNr, PrueflingNr, Datum, \"GT-Seriennummer\", Grenzwertflags, Menueflags, Schutzklasse, "
        "Messablauf, Schutzleiterwid, Isolationswid, Ableitstrom, SchutzlStromL1N, SchutzlStromNL1, "
        "BeruehrungsstromL1N, BeruehrungsstromNL1, GrwSchutzleiterwid, GrwIsolationswid, GrwAbleitstrom, "
        "GrwSchutzleiterstrom, GrwBeruehrungsstrom, GrwSchnellabschaltung, Pruefungsergebnis, Notiz, "
        "Pruefer, Sichtpruef)";
    db->Execute(QStringLiteral("insert into \"Pruefung.db\" %1 values "
                               "(1, 1, '2024-03-05', '0123456789', 1, 6, 1, 64, 150, 2500, 30, 40, 41, 5, "
                               "6, 300, 1000, 350, 50, 25, 1000, 1, 'Stecker \"lose\"; neu\r\nlöten', "
                               "'Meier', 1), "
                               "(2, 1, null, null, 127, 93, 2, 9, 1001, 25000, 2001, 40, 41, 5, 6, -1, -1, "
                               "-1, -1, -1, -1, 1, null, null, -1), "
                               "(3, 2, '1999-12-31', '', 0, 16, 3, 4, 0, 199, 0, 1000, 1001, 0, 0, 1000, "
                               "200, 2000, 1000, 1000, 1000, 0, ' ', 'Schmidt', 0), "
                               "(4, 3, '2000-01-01', 'X', 0, 0, 0, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "
                               "0, 0, '', '', 7), "
                               "(5, 4, '2024-01-01', '', 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "
                               "0, 1, 'verwaist', '', 1), "
                               "(6, 12345, '2024-01-01', '', 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "
                               "0, 0, 1, 'ohne Gerät', '', 1)")
                    .arg(QLatin1String(columns)));
    toFile();
    browser->show();
    browser->BitBtn5->click();
    EXPECT_TRUE(messages.empty());

    const auto f = [](const QString& formatted) { return formatted.toLatin1(); };
    const auto line = [](std::initializer_list<QByteArray> items) {
        QByteArray out;
        for (const QByteArray& item : items)
            out += (out.isEmpty() ? "\"" : ";\"") + item + "\"";
        return out + "\r\n";
    };
    const QByteArray header = line({"KundenNr",
                                    "PrueflingNr",
                                    "PruefungsNr",
                                    "Name1",
                                    "Name2",
                                    "Name3",
                                    "KdStr",
                                    "KdLKZ",
                                    "KdPLZ",
                                    "KdOrt",
                                    "Telefon",
                                    "Fax",
                                    "Bezeichnung",
                                    "Typ",
                                    "Inventarnummer",
                                    "Fabrikationsnummer",
                                    "Seriennummer",
                                    "Barcode",
                                    "Datum",
                                    "GTSeriennummer",
                                    "Grenzwertflags",
                                    "Menueflags",
                                    "Schutzklasse",
                                    "SichtpruefungBestanden",
                                    "Messablauf",
                                    "Schutzleiterwid",
                                    "Isolationswid",
                                    "Ableitstrom",
                                    "SchutzlStromL1N",
                                    "SchutzlStromNL1",
                                    "BeruehrungsstromL1N",
                                    "BeruehrungsstromNL1",
                                    "GrwSchutzleiterwid",
                                    "GrwIsolationswid",
                                    "GrwAbleitstrom",
                                    "GrwSchutzleiterstrom",
                                    "GrwBeruehrungsstrom",
                                    "GrwSchnellabschaltung",
                                    "Pruefungsergebnis",
                                    "Notiz",
                                    "Pruefer",
                                    "SchutzleiterwidLimit",
                                    "IsolationswidLimit",
                                    "AbleitstromLimit",
                                    "SchutzlStromL1NLimit",
                                    "SchutzlStromNL1Limit",
                                    "BeruehrungsstromL1NLimit",
                                    "BeruehrungsstromNL1Limit",
                                    "Schnellabschaltung",
                                    "automatisch",
                                    "DINVDE",
                                    "mitIsol",
                                    "manuGrenz",
                                    "mitBeruehr",
                                    "abgebrochen",
                                    "Enables"});
    const QByteArray row1 = line({"1",
                                  "1",
                                  "1",
                                  "M\xFCller & S\xF6hne 'Elektro'",
                                  "Abt. Pr\xFC"
                                  "fung; Labor",
                                  "",
                                  "Hauptstra\xDF"
                                  "e 1",
                                  "D",
                                  "50667",
                                  "K\xF6ln",
                                  "0221 123",
                                  "",
                                  "Bohrmaschine",
                                  "BM 2",
                                  "INV-1",
                                  "F1",
                                  "S1",
                                  "4711",
                                  "05.03.2024",
                                  "0123456789",
                                  "1",
                                  "6",
                                  "1",
                                  "ja",
                                  "64",
                                  f(FormatSchutzleiterwid(150)),
                                  f(FormatIsolationswid(2500, 0)),
                                  f(FormatAbleitstrom(30)),
                                  f(FormatStrom(40)),
                                  f(FormatStrom(41)),
                                  f(FormatStrom(5)),
                                  f(FormatStrom(6)),
                                  f(FormatSchutzleiterwid(300)),
                                  f(FormatIsolationswid(1000, 0)),
                                  f(FormatAbleitstrom(350)),
                                  f(FormatStrom(50)),
                                  f(FormatStrom(25)),
                                  f(FormatStrom(1000)),
                                  "ja",
                                  "Stecker 'lose'; neu\r\nl\xF6ten",
                                  "Meier",
                                  "ja",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "0702",
                                  "ja",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "7"});
    const QByteArray row2 = line({"1",
                                  "1",
                                  "2",
                                  "M\xFCller & S\xF6hne 'Elektro'",
                                  "Abt. Pr\xFC"
                                  "fung; Labor",
                                  "",
                                  "Hauptstra\xDF"
                                  "e 1",
                                  "D",
                                  "50667",
                                  "K\xF6ln",
                                  "0221 123",
                                  "",
                                  "Bohrmaschine",
                                  "BM 2",
                                  "INV-1",
                                  "F1",
                                  "S1",
                                  "4711",
                                  "",
                                  "",
                                  "127",
                                  "93",
                                  "2",
                                  "---",
                                  "9",
                                  f(FormatSchutzleiterwid(1001)),
                                  f(FormatIsolationswid(25000, 0)),
                                  f(FormatAbleitstrom(2001)),
                                  f(FormatStrom(-1)),
                                  f(FormatStrom(-1)),
                                  f(FormatStrom(-1)),
                                  f(FormatStrom(-1)),
                                  f(FormatSchutzleiterwid(-1)),
                                  f(FormatIsolationswid(-1, 0)),
                                  f(FormatAbleitstrom(-1)),
                                  f(FormatStrom(-1)),
                                  f(FormatStrom(-1)),
                                  f(FormatStrom(-1)),
                                  "nein",
                                  "",
                                  "",
                                  "ja",
                                  "ja",
                                  "ja",
                                  "ja",
                                  "ja",
                                  "ja",
                                  "ja",
                                  "nein",
                                  "ja",
                                  "0701",
                                  "Iso+Diff",
                                  "ja",
                                  "ja",
                                  "ja",
                                  "98"});
    const QByteArray row3 = line({"1",
                                  "2",
                                  "3",
                                  "M\xFCller & S\xF6hne 'Elektro'",
                                  "Abt. Pr\xFC"
                                  "fung; Labor",
                                  "",
                                  "Hauptstra\xDF"
                                  "e 1",
                                  "D",
                                  "50667",
                                  "K\xF6ln",
                                  "0221 123",
                                  "",
                                  "S\xE4ge",
                                  "",
                                  "",
                                  "",
                                  "",
                                  "",
                                  "31.12.1999",
                                  "",
                                  "0",
                                  "16",
                                  "3",
                                  "nein",
                                  "4",
                                  f(FormatSchutzleiterwid(0)),
                                  f(FormatIsolationswid(199, 0)),
                                  f(FormatAbleitstrom(0)),
                                  f(FormatStrom(1000)),
                                  f(FormatStrom(1001)),
                                  f(FormatStrom(0)),
                                  f(FormatStrom(0)),
                                  f(FormatSchutzleiterwid(1000)),
                                  f(FormatIsolationswid(200, 0)),
                                  f(FormatAbleitstrom(2000)),
                                  f(FormatStrom(1000)),
                                  f(FormatStrom(1000)),
                                  f(FormatStrom(1000)),
                                  "nein",
                                  " ",
                                  "Schmidt",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "ja",
                                  "nein",
                                  "0701",
                                  "nein",
                                  "nein",
                                  "ja",
                                  "nein",
                                  "0"});
    const QByteArray row4 = line({"2",
                                  "3",
                                  "4",
                                  "Zo\xEB \x80uro\x99",
                                  "??",
                                  "a'b",
                                  "",
                                  "",
                                  "",
                                  "",
                                  "",
                                  "",
                                  "Lampe",
                                  "",
                                  "",
                                  "",
                                  "",
                                  "",
                                  "01.01.2000",
                                  "X",
                                  "0",
                                  "0",
                                  "0",
                                  "---",
                                  "32",
                                  f(FormatSchutzleiterwid(0)),
                                  f(FormatIsolationswid(0, 0)),
                                  f(FormatAbleitstrom(0)),
                                  f(FormatStrom(0)),
                                  f(FormatStrom(0)),
                                  f(FormatStrom(0)),
                                  f(FormatStrom(0)),
                                  f(FormatSchutzleiterwid(0)),
                                  f(FormatIsolationswid(0, 0)),
                                  f(FormatAbleitstrom(0)),
                                  f(FormatStrom(0)),
                                  f(FormatStrom(0)),
                                  f(FormatStrom(0)),
                                  "nein",
                                  "",
                                  "",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "0701",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "nein",
                                  "0"});
    EXPECT_EQ(written(), header + row1 + row2 + row3 + row4);
}

// The all-tests export reads the join once, row by row, whatever form its values are in, and
// gives the bytes that exporting each shown test gives, one by one through the browser's own
// queries.
TEST_F(ExportTest, AllTestsReadInOneRunOfTheJoinGiveTheBytesOfEachShownTest) {
    Globals::ExportColumns.fill(true);
    db->Execute(QStringLiteral(
        "insert into \"Kunden.db\" (KundenNr, Name1, Name2, Name3, KdStr, KdLKZ, KdPLZ, KdOrt, Telefon, Fax) "
        "values (1, 'Müller & Söhne \"Elektro\"', 'Abt. Prüfung; Labor', null, 'Hauptstraße 1', 'D', "
        "'50667', 'Köln', '0221 123', ''), (2, null, null, null, null, null, null, null, null, null), "
        "(3, 'Zoë €uro™ ''Spezial''', '日本', 'a\"b;c', 'Weg 2', null, '', 'Öhringen', null, '+49 \"0\"')"));
    db->Execute(QStringLiteral(
        "insert into \"Prueflng.db\" (PrueflingNr, KundenNr, Bezeichnung, Typ, Inventarnummer, "
        "Fabrikationsnummer, Seriennummer, Barcode) values "
        "(1, 1, 'Bohrmaschine \"BM\"', 'BM; 2', 'INV-1', 'F1', 'S1', '4711'), "
        "(2, 1, null, null, null, null, null, null), (3, 2, 'Säge', '', '', '', '', ''), "
        "(4, 3, 'Lampe € 5', 'Typ \"X\"', null, null, null, '0815'), (5, 3, 'ohne Prüfung', '', '', '', '', "
        "'')"));
    db->Execute(QStringLiteral(
        "insert into \"Pruefung.db\" (PruefungsNr, PrueflingNr, Datum, \"GT-Seriennummer\", Grenzwertflags, "
        "Menueflags, Schutzklasse, Messablauf, Schutzleiterwid, Isolationswid, Ableitstrom, SchutzlStromL1N, "
        "SchutzlStromNL1, BeruehrungsstromL1N, BeruehrungsstromNL1, GrwSchutzleiterwid, GrwIsolationswid, "
        "GrwAbleitstrom, GrwSchutzleiterstrom, GrwBeruehrungsstrom, GrwSchnellabschaltung, "
        "Pruefungsergebnis, "
        "Notiz, Pruefer, Sichtpruef) values "
        "(1, 1, '2024-03-05', '0123456789', 1, 6, 1, 64, 150, 2500, 30, 40, 41, 5, 6, 300, 1000, 350, 50, "
        "25, "
        "1000, 1, 'Stecker \"lose\"; neu\r\nlöten', 'Meier', 1), "
        "(2, 1, null, null, null, null, null, null, null, null, null, null, null, null, null, null, null, "
        "null, "
        "null, null, null, null, null, null, null), "
        "(3, 2, '', '', 127, 93, 2, 9, 1001, 25000, 2001, 40, 41, 5, 6, -1, -1, -1, -1, -1, -1, 0, "
        "'Zeile 1\nZeile 2\rZeile 3;\"€\"', 'Prüfer Ä', -1), "
        "(4, 3, '1999-12-31', 'X', 0, 16, 3, 12, 0, 199, 0, 5000, 99999, 0, 0, 1000, 200, 2000, 1000, 1000, "
        "1000, 0, ' ', 'Schmidt', 0), "
        "(5, 4, '2000-02-29', '€', 0, 127, 0, 32, -5, 0, 4096, 4095, -2, 0, 0, 0, 0, 0, 0, 0, 0, 1, '', '', "
        "7), "
        "(6, 4, '2024-01-01', ';', 64, 66, 2, 2, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 1, "
        "'\"\"', '''', 1)"));
    int joins = 0; // runs of the all-tests join
    sqlite3_trace_v2(
        db->Handle(), SQLITE_TRACE_STMT,
        [](unsigned, void* count, void* stmt, void*) {
            if (QByteArray(sqlite3_sql(static_cast<sqlite3_stmt*>(stmt))).contains("as M"))
                ++*static_cast<int*>(count);
            return 0;
        },
        &joins);
    toFile();
    browser->show();
    browser->BitBtn5->click();
    const QByteArray all = written();
    EXPECT_EQ(joins, 1);

    const QByteArray header = all.left(all.indexOf("\r\n") + 2);
    QByteArray oneByOne = header;
    const auto each = [](TDBNavigator* navigator, platform::TQuery* q, const std::function<void()>& body) {
        for (int i = 0; i < q->RecordCount(); ++i) {
            navigator->Button(i == 0 ? TNavigateBtn::nbFirst : TNavigateBtn::nbNext)->click();
            body();
        }
    };
    each(browser->DBNavigator1, browser->Query1, [&] {
        each(browser->DBNavigator2, browser->Query2, [&] {
            each(browser->DBNavigator3, browser->Query3, [&] {
                browser->BitBtn3->click();
                const QByteArray shown = written();
                EXPECT_TRUE(shown.startsWith(header));
                oneByOne += shown.mid(header.size());
            });
        });
    });
    EXPECT_EQ(all, oneByOne);
    EXPECT_EQ(all.count("\r\n"), 1 + 6 + 1); // the header, six tests and the line break of a note

    // A date with a blank before it is not in its own form.
    db->Execute(QStringLiteral("update \"Pruefung.db\" set Datum = ' ' || Datum where PruefungsNr = 6"));
    browser->BitBtn5->click();
    EXPECT_EQ(joins, 2);
    EXPECT_EQ(written(), all);
    EXPECT_TRUE(messages.empty());
    sqlite3_trace_v2(db->Handle(), 0, nullptr, nullptr);
}

// A file of another origin may declare a customer's text as a date: the all-tests export reads it
// as the browser does, and a date the browser cannot read ends both exports with the same words.
TEST_F(ExportTest, AllTestsReadAFileOfAnotherOriginAsTheBrowserReadsIt) {
    only({"Name1", "Name2", "Datum"});
    QString script = ProgramDatabaseSchema().script;
    ASSERT_EQ(script.count(QStringLiteral("\"Name1\" VARCHAR(25)")), 1);
    script.replace(QStringLiteral("\"Name1\" VARCHAR(25)"), QStringLiteral("\"Name1\" DATE"));
    db = std::make_unique<platform::Database>(dir.filePath(QStringLiteral("Fremd.sqlite")),
                                              platform::TDatabaseSchema{1, script});
    platform::Database::SetCurrent(db.get());
    const int t = addTest(addDevice(addCustomer(QString()), QStringLiteral("D")));
    db->Execute(QStringLiteral("update \"Kunden.db\" set Name1 = '2024-03-06', Name2 = 'Müller'"));
    toFile();
    browser->show();
    browser->BitBtn5->click();
    const QByteArray all = written();
    browser->BitBtn3->click();
    EXPECT_EQ(written(), all);
    EXPECT_EQ(all, "\"Name1\";\"Name2\";\"Datum\"\r\n\"06.03.2024\";\"M\xFCller\";\"05.03.2024\"\r\n");
    EXPECT_TRUE(messages.empty());

    for (const char* date : {"-024-03-05", "2024-02-30", "0000-01-01"}) {
        db->Execute(QStringLiteral("update \"Pruefung.db\" set Datum = '%1' where PruefungsNr = %2")
                        .arg(QLatin1String(date))
                        .arg(t));
        browser->hide();
        browser->show();
        messages.clear();
        browser->BitBtn5->click();
        browser->BitBtn3->click();
        const QString refused =
            QStringLiteral("'%1' ist kein gültiges Datum für Feld 'Datum'.").arg(QLatin1String(date));
        EXPECT_EQ(messages, (std::vector<QString>{refused, refused}));
        EXPECT_EQ(written(), all);
    }
}

// Files beyond a size cannot grow, as on a full disk, while it lives. The program's application
// object keeps the signal of such a write from ending the program.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &before_);
        rlimit limit = before_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &before_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit before_{};
};

// An export that ends early, on a value it cannot read or on a write that fails after many
// lines, leaves an earlier file of the name byte for byte as it was, and no file of its own
// in the folder; without an earlier file it leaves none.
TEST_F(ExportTest, AnExportThatFailsHalfwayLeavesTheEarlierFileAsItWasAndNoFileOfItsOwn) {
    only({"PruefungsNr", "Datum", "Notiz"});
    const int d = addDevice(addCustomer(QStringLiteral("K")), QStringLiteral("D"));
    db->Execute(
        QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 3000) "
                       "insert into \"Pruefung.db\" (PrueflingNr, Datum, Notiz) "
                       "select %1, '2024-03-05', printf('Notiz %0100d', i) from n")
            .arg(d));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("aus")));
    const QDir folder(dir.filePath(QStringLiteral("aus")));
    const QString target = folder.filePath(QStringLiteral("export.csv"));
    const QByteArray earlier = "\"alter\";\"Inhalt \xE4\"\r\n";
    const auto contents = [&] {
        QFile f(target);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(keine Datei)");
    };
    const auto entries = [&] {
        return folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(earlier);
    }
    Globals::ExportFile = 1;
    Globals::ExportFileName = target;
    browser->show();

    // A write fails after the first lines of either export have gone out.
    {
        FileSizeLimit full(10000);
        browser->BitBtn5->click();
    }
    {
        FileSizeLimit full(10);
        browser->BitBtn3->click();
    }
    ASSERT_EQ(messages.size(), 2u);
    for (const QString& m : messages)
        EXPECT_EQ(m, QStringLiteral("Fehler beim Schreiben der Datei \"") + target +
                         QStringLiteral("\": Die Datei überschreitet die zulässige Größe. "
                                        "Die bisherige Datei ist unverändert erhalten."))
            << m.toStdString();
    EXPECT_EQ(contents(), earlier);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("export.csv")});

    // Another program wrote the shown test's date as text of its own.
    db->Execute(QStringLiteral("update \"Pruefung.db\" set Datum = '09.12.2026' where PruefungsNr = "
                               "(select max(PruefungsNr) from \"Pruefung.db\")"));
    browser->hide();
    browser->show();
    messages.clear();
    browser->BitBtn5->click();
    browser->BitBtn3->click();
    ASSERT_EQ(messages.size(), 2u);
    for (const QString& m : messages)
        EXPECT_EQ(m, QStringLiteral("'09.12.2026' ist kein gültiges Datum für Feld 'Datum'."));
    EXPECT_EQ(contents(), earlier);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("export.csv")});

    ASSERT_TRUE(QFile::remove(target));
    browser->BitBtn5->click();
    browser->BitBtn3->click();
    EXPECT_EQ(messages.size(), 4u);
    EXPECT_TRUE(entries().isEmpty()) << entries().join(u' ').toStdString();
}

// A link is followed: the file it points to gets the export and keeps its permissions.
TEST_F(ExportTest, AnExportThroughALinkReplacesTheFileItPointsToAndKeepsItsPermissions) {
    only({"Name1"});
    addTest(addDevice(addCustomer(QStringLiteral("Kö")), QStringLiteral("D")));
    const QString real = dir.filePath(QStringLiteral("ziel.csv"));
    {
        QFile f(real);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("alter Inhalt, viel länger als der neue\r\n");
        ASSERT_TRUE(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    }
    ASSERT_TRUE(QFile::link(QStringLiteral("ziel.csv"), file()));
    toFile();
    browser->show();
    browser->BitBtn3->click();
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(QFileInfo(file()).isSymLink());
    QFile f(real);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "\"Name1\"\r\n\"K\xF6\"\r\n");
    EXPECT_EQ(f.permissions() & ~(QFile::ReadUser | QFile::WriteUser),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("*.csv*")}, QDir::AllEntries | QDir::System),
              (QStringList{QStringLiteral("export.csv"), QStringLiteral("ziel.csv")}));
}

// The database file and the files the engine keeps beside it are never an export's target, under
// no name and through no link: the export is refused and the database stays as it was.
TEST_F(ExportTest, AnExportOntoADatabaseFileOfTheProgramIsRefusedUnderEveryName) {
    only({"Name1"});
    addTest(addDevice(addCustomer(QStringLiteral("K")), QStringLiteral("D")));
    const QDir folder(dir.path());
    const QString database = folder.filePath(QStringLiteral("Pruefdaten.sqlite"));
    ASSERT_TRUE(folder.mkdir(QStringLiteral("unter")));
    ASSERT_EQ(::link(QFile::encodeName(database).constData(),
                     QFile::encodeName(folder.filePath(QStringLiteral("hart.csv"))).constData()),
              0);
    ASSERT_TRUE(QFile::link(database, folder.filePath(QStringLiteral("weich.csv"))));
    ASSERT_TRUE(
        QFile::link(QStringLiteral("Pruefdaten.sqlite-journal"), folder.filePath(QStringLiteral("j.csv"))));
    const auto bytes = [&] {
        QByteArray all;
        for (const char* companion : {"", "-wal"}) {
            QFile f(database + QLatin1String(companion));
            EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << companion;
            all += f.readAll() + '|';
        }
        return all;
    };
    const QByteArray before = bytes();
    const QStringList entries = folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    toFile();
    browser->show();
    for (const QString& name :
         {database, QDir::current().relativeFilePath(database),
          folder.filePath(QStringLiteral("unter/../Pruefdaten.sqlite")),
          folder.filePath(QStringLiteral("hart.csv")), folder.filePath(QStringLiteral("weich.csv")),
          database + QStringLiteral("-wal"), database + QStringLiteral("-shm"),
          database + QStringLiteral("-journal"), folder.filePath(QStringLiteral("j.csv"))}) {
        messages.clear();
        Globals::ExportFileName = name;
        browser->BitBtn5->click();
        browser->BitBtn3->click();
        const QString refusal =
            QStringLiteral("Die Datei \"") + name +
            QStringLiteral("\" gehört zur Datenbank des Programms und wird nicht als "
                           "Exportdatei überschrieben. Bitte wählen Sie einen anderen Dateinamen.");
        EXPECT_EQ(messages, std::vector<QString>({refusal, refusal})) << name.toStdString();
    }
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), entries);
    // The program's own file in the working folder counts before it is open.
    EXPECT_TRUE(IsProgramDatabaseFile(QDir::current().filePath(QStringLiteral("Pruefdaten.sqlite-journal"))));
    EXPECT_EQ(live("Kunden.db")->RecordCount(), 1);

    // The name alone in another folder is an ordinary file.
    messages.clear();
    Globals::ExportFileName = folder.filePath(QStringLiteral("unter/Pruefdaten.sqlite"));
    browser->BitBtn3->click();
    EXPECT_TRUE(messages.empty());
    QFile f(Globals::ExportFileName);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "\"Name1\"\r\n\"K\"\r\n");
}

TEST_F(ExportTest, AFailedWriteIsReported) {
    only({"Name1", "Notiz"});
    const int d = addDevice(addCustomer(QStringLiteral("K")), QStringLiteral("D"));
    for (int i = 0; i < 3; ++i)
        addTest(d);
    Globals::ExportFile = 1;
    Globals::ExportFileName = QStringLiteral("/dev/full"); // takes no byte
    browser->show();
    browser->BitBtn5->click();
    browser->BitBtn3->click();
    ASSERT_EQ(messages.size(), 2u);
    for (const QString& m : messages)
        EXPECT_TRUE(m.startsWith(QStringLiteral("Fehler beim Schreiben der Datei \"/dev/full\"")))
            << m.toStdString();
    // A device is written, never replaced.
    EXPECT_FALSE(QFileInfo(QStringLiteral("/dev/full")).isFile());
}

// Each way an export fails leaves one line in the program log with the text the user read: a file
// that cannot be made, a write that fails, a value the database cannot give.
TEST_F(ExportTest, EveryFailedExportIsInTheProgramLog) {
    only({"PruefungsNr", "Schutzklasse"});
    const int t = addTest(addDevice(addCustomer(QStringLiteral("K")), QStringLiteral("D")));
    std::vector<std::string> log;
    const auto before = platform::setLogSink([&](const std::string& text) { log.push_back(text); });
    browser->show();
    Globals::ExportFile = 1;
    Globals::ExportFileName = dir.filePath(QStringLiteral("fehlt/export.csv"));
    browser->BitBtn5->click();
    Globals::ExportFileName = QStringLiteral("/dev/full");
    browser->BitBtn5->click();
    toFile();
    db->Execute(
        QStringLiteral("update \"Pruefung.db\" set Schutzklasse = 'II' where PruefungsNr = %1").arg(t));
    browser->BitBtn5->click();
    platform::setLogSink(before);

    ASSERT_EQ(messages.size(), 3u);
    ASSERT_EQ(log.size(), 3u);
    for (size_t i = 0; i < log.size(); ++i)
        EXPECT_EQ(log[i],
                  "Fehlermeldung: " + messages[i].replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdString());
}

// Values stored in another form than their field's are read as the database layer reads them:
// a number stored as text is that number, a text that is no number ends the export with the
// engine's message, and the file of the export before stays as it was.
TEST_F(ExportTest, ValuesStoredInAnotherFormAreReadAsTheDatabaseReadsThem) {
    only({"PruefungsNr", "Schutzklasse", "Pruefungsergebnis"});
    const int d = addDevice(addCustomer(QStringLiteral("K")), QStringLiteral("D"));
    const int t1 = addTest(d);
    const int t2 = addTest(d);
    db->Execute(QStringLiteral("update \"Pruefung.db\" set Schutzklasse = ' 2', Pruefungsergebnis = ' 0' "
                               "where PruefungsNr = %1")
                    .arg(t1));
    toFile();
    browser->show();
    browser->BitBtn5->click();
    EXPECT_TRUE(messages.empty());
    const QByteArray before = "\"PruefungsNr\";\"Schutzklasse\";\"Pruefungsergebnis\"\r\n\"" +
                              QByteArray::number(t1) + "\";\"2\";\"nein\"\r\n\"" + QByteArray::number(t2) +
                              "\";\"1\";\"ja\"\r\n";
    EXPECT_EQ(written(), before);

    db->Execute(
        QStringLiteral("update \"Pruefung.db\" set Schutzklasse = 'II' where PruefungsNr = %1").arg(t2));
    browser->BitBtn5->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("II"))) << messages[0].toStdString();
    EXPECT_EQ(written(), before);
}

TEST_F(ExportTest, EmptyDatabaseGivesTheHeaderOnly) {
    only({"Name1", "Notiz"});
    toFile();
    browser->show();
    browser->BitBtn5->click();
    EXPECT_EQ(written(), "\"Name1\";\"Notiz\"\r\n");
}

TEST_F(ExportTest, CancelledDialogOrEmptyConfiguredNameExportsNothingAndSaysNothing) {
    only({"Name1"});
    addTest(addDevice(addCustomer(QStringLiteral("K")), QStringLiteral("D")));
    browser->show();
    saveAnswer = {false, QString()};
    browser->BitBtn5->click();
    browser->BitBtn3->click();
    EXPECT_EQ(saveRequests.size(), 2u);
    Globals::ExportFile = 1;
    browser->BitBtn3->click();
    EXPECT_EQ(saveRequests.size(), 2u);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("*.csv")}).isEmpty());
}

TEST_F(ExportTest, ConfiguredFileIsReplacedAndAFileThatCannotBeCreatedIsReported) {
    only({"Name1"});
    addTest(addDevice(addCustomer(QStringLiteral("K")), QStringLiteral("D")));
    toFile();
    {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("alter Inhalt, viel länger als der neue\r\n");
    }
    browser->show();
    browser->BitBtn3->click();
    EXPECT_EQ(written(), "\"Name1\"\r\n\"K\"\r\n");

    const QString bad = dir.filePath(QStringLiteral("fehlt/export.csv"));
    Globals::ExportFileName = bad;
    browser->BitBtn5->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              QStringLiteral("Die Datei \"") + bad + QStringLiteral("\" kann nicht angelegt werden."));
}

} // namespace
