#include "BrowserFixture.h"

#include "records/CsvExport.h"
#include "records/DatenanzeigeDlg.h"

#include <QFile>

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
    DecodeWerteSatzFlags(w);
    QStringList values;
    FillCsvValues(values, w);
    ASSERT_EQ(values.size(), ExportColumnCount);
    EXPECT_EQ(values[23], QStringLiteral("---"));
    EXPECT_EQ(values[25], QStringLiteral(" --- "));
    EXPECT_EQ(values[50], QStringLiteral("0701"));
    EXPECT_EQ(values[51], QStringLiteral("Iso+Diff"));

    w.DINVDE = 7;
    FillCsvValues(values, w);
    EXPECT_EQ(values[50], QString());

    // With every switch off both lines are empty.
    Globals::ExportColumns.fill(false);
    EXPECT_EQ(CsvHeaderLine(), QString());
    EXPECT_EQ(CsvValueLine(w), QString());
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
