#include "tester/IniSettings.h"
#include "platform/ini_file.h"
#include "tester/Globals.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

QString readText(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

void writeText(const QString& path, const QString& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.toUtf8());
}

// "Section/Key" of every key line, in file order.
QStringList keysInOrder(const QString& text) {
    QStringList keys;
    QString section;
    for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
        if (line.startsWith('['))
            section = line.mid(1, line.indexOf(']') - 1);
        else if (line.contains('='))
            keys << section + '/' + line.left(line.indexOf('='));
    }
    return keys;
}

QStringList mainWindowKeys() {
    QStringList keys = {"Position/Left",           "Position/Top",          "Interface/Port",
                        "Interface/BusLog",        "Interface/COMLog",      "Interface/PgmLog",
                        "Configuration/ShowHints", "Configuration/Operator"};
    for (int i = 1; i <= 5; ++i)
        keys << QString("Configuration/TopLine%1").arg(i);
    for (int i = 1; i <= 5; ++i)
        keys << QString("Configuration/BottomLine%1").arg(i);
    keys << "Configuration/ServiceInterv"
         << "Configuration/aktCheckNumber"
         << "Configuration/Preview"
         << "Configuration/ExportFile"
         << "Configuration/ExportFileName"
         << "Timing/MessageAnswerRAM"
         << "Timing/MessageAnswerReadEEPROM"
         << "Timing/MessageAnswerWriteEEPROM"
         << "Timing/MessageTimeOut"
         << "Timing/CharTimeOut"
         << "Timing/RefreshTime"
         << "Timing/InActiveTime"
         << "Timing/SettingDelay"
         << "Timing/DlgDelay";
    for (const TExportColumn& c : ExportColumnTable)
        keys << QString("Export/") + c.Key;
    return keys;
}

// Values no default has, so a key that is not read or written shows.
void setEveryValue(MainWindowSettings& w) {
    using namespace Globals;
    w = {.Left = -20,
         .Top = 900,
         .Port = 7,
         .BusLog = "bus.log",
         .COMLog = "com.log",
         .PgmLog = "pgm.log",
         .ShowHints = false,
         .SettingDelay = 9,
         .DlgDelay = 75};
    Operator = QString::fromUtf8("Jürgen Größ");
    for (int i = 1; i <= 5; ++i) {
        TopLine[i] = QString("Kopf %1").arg(i);
        BottomLine[i] = QString("Fuß %1").arg(i);
    }
    ServiceInterv = 180;
    aktCheckNumber = 4711;
    Preview = true;
    ExportFile = 1;
    ExportFileName = "/home/pruefer/export.csv";
    MessageAnswerRAM = 301;
    MessageAnswerReadEEPROM = 801;
    MessageAnswerWriteEEPROM = 1201;
    MessageTimeOut = 501;
    CharTimeOut = 101;
    RefreshTime = -1;
    InActiveTime = 16;
    for (int i = 0; i < ExportColumnCount; ++i)
        ExportColumns[static_cast<size_t>(i)] = !ExportColumnTable[static_cast<size_t>(i)].Default;
}

void clearGlobals() {
    using namespace Globals;
    Operator.clear();
    for (int i = 1; i <= 5; ++i)
        TopLine[i].clear(), BottomLine[i].clear();
    ServiceInterv = aktCheckNumber = ExportFile = 0;
    Preview = false;
    ExportFileName.clear();
    ExportColumns.fill(false);
    MessageAnswerRAM = MessageAnswerReadEEPROM = MessageAnswerWriteEEPROM = 0;
    MessageTimeOut = CharTimeOut = RefreshTime = InActiveTime = 0;
}

struct IniSettingsTest : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.filePath("geraetetester.INI");
    void SetUp() override { clearGlobals(); }
};

} // namespace

TEST_F(IniSettingsTest, WithoutAFileEveryKeyHasItsDefault) {
    MainWindowSettings w;
    w.Left = 300; // the window's current position is the default
    w.Top = 200;
    w.Port = 9;
    LoadIniSettings(path, w);
    EXPECT_EQ(w.Left, 300);
    EXPECT_EQ(w.Top, 200);
    EXPECT_EQ(w.Port, 1);
    EXPECT_EQ(PortPanelText(w.Port), "COM1");
    EXPECT_TRUE(w.BusLog.isEmpty() && w.COMLog.isEmpty() && w.PgmLog.isEmpty());
    EXPECT_TRUE(w.ShowHints);
    EXPECT_EQ(w.SettingDelay, 3);
    EXPECT_EQ(w.DlgDelay, 50);
    using namespace Globals;
    EXPECT_TRUE(Operator.isEmpty());
    EXPECT_EQ(ServiceInterv, 365);
    EXPECT_EQ(aktCheckNumber, 0);
    EXPECT_FALSE(Preview);
    EXPECT_EQ(ExportFile, 0);
    EXPECT_EQ(MessageAnswerRAM, 300);
    EXPECT_EQ(MessageAnswerReadEEPROM, 800);
    EXPECT_EQ(MessageAnswerWriteEEPROM, 1200);
    EXPECT_EQ(MessageTimeOut, 500);
    EXPECT_EQ(CharTimeOut, 100);
    EXPECT_EQ(RefreshTime, 100);
    EXPECT_EQ(InActiveTime, 15);
    EXPECT_EQ(std::count(ExportColumns.begin(), ExportColumns.end(), true), 48);
    EXPECT_FALSE(QFileInfo::exists(path)); // reading creates nothing
}

TEST_F(IniSettingsTest, SaveWritesAll88KeysInOrderAndTheyReadBack) {
    MainWindowSettings saved;
    setEveryValue(saved);
    QString error = "alt";
    ASSERT_TRUE(SaveIniSettings(path, saved, &error));
    EXPECT_TRUE(error.isEmpty());
    const QString text = readText(path);
    EXPECT_EQ(keysInOrder(text), mainWindowKeys());
    EXPECT_EQ(mainWindowKeys().size(), 88);
    EXPECT_TRUE(text.contains("Preview=1\n"));
    EXPECT_TRUE(text.contains("ShowHints=0\n"));
    EXPECT_TRUE(text.contains("RefreshTime=-1\n")); // as the user had it, not as it is used

    const std::array<bool, ExportColumnCount> columns = Globals::ExportColumns;
    clearGlobals();
    MainWindowSettings loaded;
    LoadIniSettings(path, loaded);
    EXPECT_EQ(loaded.Left, saved.Left);
    EXPECT_EQ(loaded.Top, saved.Top);
    EXPECT_EQ(loaded.Port, saved.Port);
    EXPECT_EQ(loaded.BusLog, saved.BusLog);
    EXPECT_EQ(loaded.COMLog, saved.COMLog);
    EXPECT_EQ(loaded.PgmLog, saved.PgmLog);
    EXPECT_EQ(loaded.ShowHints, saved.ShowHints);
    EXPECT_EQ(loaded.SettingDelay, saved.SettingDelay);
    EXPECT_EQ(loaded.DlgDelay, saved.DlgDelay);

    using namespace Globals;
    EXPECT_EQ(Operator, QString::fromUtf8("Jürgen Größ"));
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(TopLine[i], QString("Kopf %1").arg(i));
        EXPECT_EQ(BottomLine[i], QString("Fuß %1").arg(i));
    }
    EXPECT_EQ(ExportColumns, columns);
    EXPECT_EQ(ServiceInterv, 180);
    EXPECT_EQ(aktCheckNumber, 4711);
    EXPECT_TRUE(Preview);
    EXPECT_EQ(ExportFile, 1);
    EXPECT_EQ(ExportFileName, "/home/pruefer/export.csv");
    EXPECT_EQ(MessageAnswerRAM, 301);
    EXPECT_EQ(MessageAnswerReadEEPROM, 801);
    EXPECT_EQ(MessageAnswerWriteEEPROM, 1201);
    EXPECT_EQ(MessageTimeOut, 501);
    EXPECT_EQ(CharTimeOut, 101);
    EXPECT_EQ(RefreshTime, -1);
    EXPECT_EQ(InActiveTime, 16);
}

TEST_F(IniSettingsTest, OddValuesAreReadAsTheyWouldBeAndWrittenBackClean) {
    writeText(path, "; von Hand\n"
                    "[INTERFACE]\n"
                    "port=3\n"
                    "\n"
                    "[Configuration]\n"
                    "Preview=5\n"
                    "ServiceInterv=abc\n"
                    "ShowHints=0\n"
                    "\n"
                    "[Export]\n"
                    "KundenNr=1\n"
                    "Name1=0\n"
                    "\n"
                    "[Fremd]\n"
                    "Schluessel=Wert\n");
    MainWindowSettings w;
    LoadIniSettings(path, w);
    EXPECT_EQ(PortPanelText(w.Port), "COM3");
    EXPECT_TRUE(Globals::Preview);
    EXPECT_EQ(Globals::ServiceInterv, 365);
    EXPECT_FALSE(w.ShowHints);
    EXPECT_TRUE(Globals::ExportColumns[0]);
    EXPECT_FALSE(Globals::ExportColumns[3]);
    EXPECT_TRUE(Globals::ExportColumns[4]); // missing: default

    ASSERT_TRUE(SaveIniSettings(path, w));
    const QString text = readText(path);
    EXPECT_TRUE(text.startsWith("; von Hand\n[INTERFACE]\nport=3\n"));
    EXPECT_TRUE(text.contains("Preview=1\n"));
    EXPECT_TRUE(text.contains("ServiceInterv=365\n"));
    EXPECT_TRUE(text.contains("ShowHints=0\n"));
    // The foreign section stays where it was; the missing sections follow it.
    EXPECT_TRUE(text.contains("\n\n[Fremd]\nSchluessel=Wert\n\n[Position]\nLeft=192\nTop=107\n\n[Timing]\n"));
    QStringList keys = keysInOrder(text);
    keys.removeAll("Fremd/Schluessel");
    EXPECT_EQ(keys.size(), 88);
    // Keys that were there keep their place; the missing ones follow at the end of the section.
    const QStringList exportKeys = keys.filter(QRegularExpression("^Export/"));
    ASSERT_EQ(exportKeys.size(), 56);
    EXPECT_EQ(exportKeys.mid(0, 3), QStringList({"Export/KundenNr", "Export/Name1", "Export/PrueflingNr"}));
}

TEST_F(IniSettingsTest, PortKeepsItsLowByte) {
    writeText(path, "[Interface]\nPort=259\n");
    MainWindowSettings w;
    LoadIniSettings(path, w);
    EXPECT_EQ(w.Port, 3);
}

TEST_F(IniSettingsTest, FailedSaveGivesTheGermanMessage) {
    const QString nowhere = dir.filePath("fehlt/geraetetester.INI");
    MainWindowSettings w;
    QString error;
    EXPECT_FALSE(SaveIniSettings(nowhere, w, &error));
    EXPECT_EQ(error, "In " + QFileInfo(nowhere).absoluteFilePath() + " kann nicht geschrieben werden");
    EXPECT_FALSE(SavePosition(nowhere, PositionSections::Messmodus, WindowPosition{}, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(IniSettingsTest, ProgramFileNameWithIniExtension) {
    EXPECT_TRUE(ProgramIniFileName().endsWith("/test_tester.INI"));
}

TEST_F(IniSettingsTest, DialogPositions) {
    WindowPosition designed{227, 108, 454, 335};
    WindowPosition p = designed;
    LoadPosition(path, PositionSections::AuswListe, p);
    EXPECT_EQ(p.Left, 227);
    EXPECT_EQ(p.Height, 335);
    p = {10, 20, 500, 400};
    ASSERT_TRUE(SavePosition(path, PositionSections::AuswListe, p));
    WindowPosition back = designed;
    LoadPosition(path, PositionSections::AuswListe, back);
    EXPECT_EQ(back.Left, 10);
    EXPECT_EQ(back.Top, 20);
    EXPECT_EQ(back.Width, 500);
    EXPECT_EQ(back.Height, 400);

    // The device choice keeps no width: a Width key there is neither read nor written.
    writeText(path, "[SelDevicePosition]\nWidth=999\n");
    WindowPosition device{244, 165, 300, 450};
    LoadPosition(path, PositionSections::Pruefling, device);
    EXPECT_EQ(device.Width, 300);
    device.Width = 123;
    device.Left = 5;
    ASSERT_TRUE(SavePosition(path, PositionSections::Pruefling, device));
    EXPECT_EQ(readText(path), "[SelDevicePosition]\nWidth=999\nLeft=5\nTop=165\nHeight=450\n");

    // The main window's own keys and a dialog's keys share the section Position.
    ASSERT_TRUE(SavePosition(path, PositionSections::Messmodus, WindowPosition{1, 2, 0, 0}));
    MainWindowSettings w;
    ASSERT_TRUE(SaveIniSettings(path, w));
    platform::IniFile ini(path);
    EXPECT_EQ(ini.readInteger("Position", "MessmodLeft", 0), 1);
    EXPECT_EQ(ini.readInteger("Position", "Left", 0), 192);
}
