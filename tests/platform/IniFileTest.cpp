#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/syscall.h>
#include <unistd.h>

#include <functional>
#include <thread>

using namespace platform;

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

struct IniFileTest : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.filePath("prog.INI");
};

} // namespace

TEST(IniPath, ReplacesTheProgramsExtension) {
    EXPECT_EQ(iniPathForProgram("build/geraetetester"), "build/geraetetester.INI");
    EXPECT_EQ(iniPathForProgram("/opt/gt/prog.exe"), "/opt/gt/prog.INI");
    EXPECT_EQ(iniPathForProgram("/opt/v1.2/prog"), "/opt/v1.2/prog.INI");
    EXPECT_EQ(iniPathForProgram("/opt/.prog"), "/opt/.prog.INI");
}

TEST(IniParse, AcceptsOnlyDecimalIntegersInRange) {
    EXPECT_EQ(IniFile::parseInteger("365"), 365);
    EXPECT_EQ(IniFile::parseInteger(" -1 "), -1);
    EXPECT_EQ(IniFile::parseInteger("+7"), 7);
    EXPECT_EQ(IniFile::parseInteger("-2147483648"), INT32_MIN);
    EXPECT_EQ(IniFile::parseInteger("2147483647"), INT32_MAX);
    for (const char* bad : {"", "-", "+", "abc", "12abc", "0x10", "$1F", "1.5", "2147483648", "-2147483649",
                            "99999999999999999999"})
        EXPECT_FALSE(IniFile::parseInteger(bad).has_value()) << bad;
}

TEST_F(IniFileTest, MissingFileSectionKeyAndBadNumbersGiveDefaults) {
    {
        IniFile ini(path);
        EXPECT_EQ(ini.readString("Interface", "BusLog", "def"), "def");
        EXPECT_EQ(ini.readInteger("Timing", "CharTimeOut", 100), 100);
        EXPECT_TRUE(ini.readBool("Configuration", "ShowHints", true));
        EXPECT_TRUE(ini.commit()); // nothing written, nothing created
    }
    EXPECT_FALSE(QFileInfo::exists(path));

    writeBytes(path, "[Timing]\nCharTimeOut=abc\nDlgDelay=12abc\nEmpty=\nBig=99999999999\n"
                     "[Configuration]\nPreview=5\nShowHints=0\nOff=x\n");
    IniFile ini(path);
    EXPECT_EQ(ini.readInteger("Timing", "CharTimeOut", 100), 100);
    EXPECT_EQ(ini.readInteger("Timing", "DlgDelay", 50), 50);
    EXPECT_EQ(ini.readInteger("Timing", "Empty", 7), 7);
    EXPECT_EQ(ini.readInteger("Timing", "Big", 8), 8);
    EXPECT_EQ(ini.readString("Timing", "Empty", "def"), ""); // present but empty is no default
    EXPECT_EQ(ini.readInteger("Timing", "Missing", 9), 9);
    EXPECT_EQ(ini.readInteger("Nowhere", "CharTimeOut", 10), 10);
    EXPECT_TRUE(ini.readBool("Configuration", "Preview", false));
    EXPECT_FALSE(ini.readBool("Configuration", "ShowHints", true));
    EXPECT_TRUE(ini.readBool("Configuration", "Off", true));
}

TEST_F(IniFileTest, NamesIgnoreCaseAndBlanksAndBothLineEndsRead) {
    writeBytes(path, "; comment\r\n  [ position ]  \r\n  LEFT  =  12  \r\ntop=-3\r\n\r\n[Interface]\r\n"
                     "BusLog = bus log.txt \r\nName1=a=b\r\n");
    IniFile ini(path);
    EXPECT_EQ(ini.readInteger("Position", "Left", 0), 12);
    EXPECT_EQ(ini.readInteger("POSITION", "Top", 0), -3);
    EXPECT_EQ(ini.readString("interface", "buslog", ""), "bus log.txt");
    EXPECT_EQ(ini.readString("Interface", "Name1", ""), "a=b");

    writeBytes(path, "[Position]\nLeft=5"); // no final line end
    IniFile lf(path);
    EXPECT_EQ(lf.readInteger("Position", "Left", 0), 5);
}

TEST_F(IniFileTest, WriteKeepsWhatItDidNotChange) {
    const QByteArray before = "; Einstellungen\r\n"
                              "[Fremd]\r\n"
                              "Wert = 1\r\n"
                              "\r\n"
                              "[position]\r\n"
                              "  LEFT = 10\r\n"
                              "Top=20\r\n"
                              "; unten\r\n"
                              "\r\n"
                              "[Andere]\r\n"
                              "x=y\r\n";
    writeBytes(path, before);
    {
        IniFile ini(path);
        ini.writeInteger("Position", "Left", 33);               // in place, spelling kept
        ini.writeInteger("Position", "Top", 20);                // unchanged
        ini.writeInteger("Position", "Width", 99);              // new: after the section's last key
        ini.writeString("Timing", "Neu", "v");                  // new section at the end
        EXPECT_EQ(ini.readInteger("Position", "Width", 0), 99); // own writes are seen before the commit
        EXPECT_TRUE(ini.commit()) << ini.errorText().toStdString();
    }
    EXPECT_EQ(readBytes(path), QByteArray("; Einstellungen\r\n"
                                          "[Fremd]\r\n"
                                          "Wert = 1\r\n"
                                          "\r\n"
                                          "[position]\r\n"
                                          "  LEFT = 33\r\n"
                                          "Top=20\r\n"
                                          "Width=99\r\n"
                                          "; unten\r\n"
                                          "\r\n"
                                          "[Andere]\r\n"
                                          "x=y\r\n"
                                          "\r\n"
                                          "[Timing]\r\n"
                                          "Neu=v\r\n"));
}

TEST_F(IniFileTest, ObjectsWritingInTurnKeepEachOthersKeys) {
    IniFile first(path);
    EXPECT_EQ(first.readInteger("Position", "Left", 1), 1); // reads the file before the other writes
    {
        IniFile second(path);
        second.writeInteger("Position", "MessmodLeft", 7);
    } // released: in the file now
    first.writeInteger("Position", "Left", 2);
    ASSERT_TRUE(first.commit());
    IniFile check(path);
    EXPECT_EQ(check.readInteger("Position", "MessmodLeft", 0), 7);
    EXPECT_EQ(check.readInteger("Position", "Left", 0), 2);
}

TEST_F(IniFileTest, ValuesCannotBreakTheFile) {
    {
        IniFile ini(path);
        ini.writeString("Configuration", "TopLine1", "Firma\r\n[Timing]\nMessageTimeOut=-5");
        ini.writeBool("Configuration", "Preview", true);
    }
    IniFile ini(path);
    EXPECT_EQ(ini.readString("Configuration", "TopLine1", ""), "Firma  [Timing] MessageTimeOut=-5");
    EXPECT_EQ(ini.readInteger("Timing", "MessageTimeOut", 500), 500);
    EXPECT_EQ(ini.readString("Configuration", "Preview", ""), "1");
}

TEST_F(IniFileTest, Windows1252IsReadAndUtf8Written) {
    writeBytes(path, "[Configuration]\nOperator=M\xFC"
                     "ller \x80 \x84x\x93\n");
    {
        IniFile ini(path);
        EXPECT_EQ(ini.readString("Configuration", "Operator", ""), QString::fromUtf8("Müller € „x“"));
        ini.writeInteger("Configuration", "ServiceInterv", 365);
    }
    EXPECT_EQ(readBytes(path),
              QByteArray("[Configuration]\nOperator=M\xC3\xBCller \xE2\x82\xAC \xE2\x80\x9Ex\xE2\x80\x9C\n"
                         "ServiceInterv=365\n"));

    writeBytes(path, "\xEF\xBB\xBF[Configuration]\nOperator=\xC3\xBC\n");
    IniFile utf8(path);
    EXPECT_EQ(utf8.readString("Configuration", "Operator", ""), QString::fromUtf8("ü"));
}

TEST_F(IniFileTest, FailedWriteIsReportedAndLeavesTheOldFile) {
    const QString missingDir = dir.filePath("fehlt/prog.INI");
    IniFile nowhere(missingDir);
    nowhere.writeInteger("Position", "Left", 1);
    EXPECT_FALSE(nowhere.commit());
    EXPECT_EQ(nowhere.errorText(),
              "In " + QFileInfo(missingDir).absoluteFilePath() + " kann nicht geschrieben werden");
    EXPECT_TRUE(nowhere.hasPendingWrites());

    // A folder in the file's place can be neither read nor replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir("prog.INI"));
    IniFile folder(path);
    folder.writeInteger("Position", "Left", 1);
    EXPECT_FALSE(folder.commit());
    EXPECT_TRUE(QFileInfo(path).isDir());
}

namespace {

// Runs fn as a user whom file modes bind: as itself, or, when the tests run as root, in a thread
// of its own that has become "nobody" (the raw calls change that thread alone, which then ends).
// False when that user cannot be taken on.
bool asBoundUser(const std::function<void()>& fn) {
    if (::geteuid() != 0) {
        fn();
        return true;
    }
    bool ran = false;
    std::thread other([&] {
        const long nobody = 65534;
        if (::syscall(SYS_setgroups, 0, nullptr) != 0 ||
            ::syscall(SYS_setresgid, nobody, nobody, nobody) != 0 ||
            ::syscall(SYS_setresuid, nobody, nobody, nobody) != 0)
            return;
        ran = true;
        fn();
    });
    other.join();
    return ran;
}

} // namespace

// A file its user may not write is not replaced, even where the folder would let a new file take
// its name: that would change what the file is (its owner, its mode).
TEST_F(IniFileTest, ReadOnlyFileIsNotReplaced) {
    writeBytes(path, "[Position]\nLeft=1\n");
    const auto all = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(path, all));
    ASSERT_TRUE(QFile::setPermissions(dir.path(), all | QFile::WriteOwner | QFile::WriteGroup |
                                                      QFile::WriteOther | QFile::ExeOwner | QFile::ExeGroup |
                                                      QFile::ExeOther));
    bool readable = false;
    bool committed = true;
    QString error;
    const bool ran = asBoundUser([&] {
        readable = QFile(path).open(QIODevice::ReadOnly);
        IniFile ini(path);
        ini.writeInteger("Position", "Left", 2);
        committed = ini.commit();
        error = ini.errorText();
    });
    if (!ran)
        GTEST_SKIP() << "no other user to act as";
    ASSERT_TRUE(readable) << "the other user must reach the file";
    EXPECT_FALSE(committed);
    EXPECT_EQ(error, "In " + QFileInfo(path).absoluteFilePath() + " kann nicht geschrieben werden");
    EXPECT_EQ(readBytes(path), QByteArray("[Position]\nLeft=1\n"));
}

namespace {

// Loads every value of the keys named, writes each back as it was read and saves: what the
// program does at each start and end.
void loadAndSave(const QString& path, const std::vector<std::pair<QString, QString>>& keys) {
    IniFile ini(path);
    std::vector<QString> values;
    for (const auto& [section, key] : keys)
        values.push_back(ini.readString(section, key, QString()));
    for (size_t i = 0; i < keys.size(); ++i)
        ini.writeString(keys[i].first, keys[i].second, values[i]);
    ASSERT_TRUE(ini.commit()) << ini.errorText().toStdString();
}

} // namespace

TEST_F(IniFileTest, ValueStartingWithBlanksKeepsThemAndSavingAgainChangesNoByte) {
    {
        IniFile ini(path);
        ini.writeString("Configuration", "TopLine1", "   eingerückt");
        ini.writeString("Configuration", "TopLine2", "hinten  ");
        ini.writeString("Configuration", "TopLine3", "\"in Anführungszeichen\"");
        ini.writeString("Configuration", "TopLine4", "  ");
    }
    const std::vector<std::pair<QString, QString>> keys{{"Configuration", "TopLine1"},
                                                        {"Configuration", "TopLine2"},
                                                        {"Configuration", "TopLine3"},
                                                        {"Configuration", "TopLine4"}};
    const QByteArray first = readBytes(path);
    for (int save = 1; save <= 3; ++save) {
        loadAndSave(path, keys);
        EXPECT_EQ(readBytes(path), first) << "save " << save;
    }
    IniFile ini(path);
    EXPECT_EQ(ini.readString("Configuration", "TopLine1", ""), "   eingerückt");
    EXPECT_EQ(ini.readString("Configuration", "TopLine2", ""), "hinten  ");
    EXPECT_EQ(ini.readString("Configuration", "TopLine3", ""), "\"in Anführungszeichen\"");
    EXPECT_EQ(ini.readString("Configuration", "TopLine4", ""), "  ");
}

TEST_F(IniFileTest, SavingTwiceKeepsStrayCarriageReturnsAndMixedLineEnds) {
    const std::vector<std::pair<QString, QString>> keys{
        {"Position", "Left"}, {"Position", "Top"}, {"Configuration", "Operator"}};
    const QByteArray lfWithStrayCr = "[Position]\nLeft=10\r\nTop=20\r\r\n; Notiz\r\r\r\n"
                                     "[Configuration]\nOperator=Hans\n";
    const QByteArray mixed = "[Position]\r\nLeft=10\nTop=20\r\n\r\n[Configuration]\n"
                             "Operator=  Hans Prüfer\r\r\n; Ende\n";
    for (const QByteArray& before : {lfWithStrayCr, mixed}) {
        writeBytes(path, before);
        loadAndSave(path, keys);
        const QByteArray once = readBytes(path);
        loadAndSave(path, keys);
        EXPECT_EQ(readBytes(path), once) << before.toStdString();
        EXPECT_EQ(once, before) << before.toStdString(); // nothing was changed, so nothing moves
        IniFile ini(path);
        EXPECT_EQ(ini.readInteger("Position", "Top", 0), 20);
    }
}
