#include "tester/IniSettings.h"

#include "platform/ini_file.h"
#include "tester/Globals.h"

#include <QCoreApplication>

namespace {

const QString kPosition = QStringLiteral("Position");
const QString kInterface = QStringLiteral("Interface");
const QString kConfiguration = QStringLiteral("Configuration");
const QString kTiming = QStringLiteral("Timing");
const QString kExport = QStringLiteral("Export");

QString lineKey(const char* prefix, int line) {
    return QLatin1String(prefix) + QString::number(line);
}

bool finish(platform::IniFile& ini, QString* errorText) {
    const bool ok = ini.commit();
    if (errorText)
        *errorText = ini.errorText();
    return ok;
}

} // namespace

QString ProgramIniFileName() {
    return platform::iniPathForProgram(QCoreApplication::applicationFilePath());
}

QString PortPanelText(uint8_t port) {
    return QStringLiteral("COM") + QString::number(port);
}

void LoadIniSettings(const QString& iniFileName, MainWindowSettings& window) {
    using namespace Globals;
    const platform::IniFile ini(iniFileName);

    window.Left = ini.readInteger(kPosition, QStringLiteral("Left"), window.Left);
    window.Top = ini.readInteger(kPosition, QStringLiteral("Top"), window.Top);

    // The field is 8 bits wide; a larger number keeps its low byte.
    window.Port = static_cast<uint8_t>(ini.readInteger(kInterface, QStringLiteral("Port"), 1));
    window.BusLog = ini.readString(kInterface, QStringLiteral("BusLog"), QString());
    window.COMLog = ini.readString(kInterface, QStringLiteral("COMLog"), QString());
    window.PgmLog = ini.readString(kInterface, QStringLiteral("PgmLog"), QString());

    window.ShowHints = ini.readBool(kConfiguration, QStringLiteral("ShowHints"), true);
    Operator = ini.readString(kConfiguration, QStringLiteral("Operator"), QString());
    for (int i = TFiveLines::First; i <= TFiveLines::Last; ++i)
        TopLine[i] = ini.readString(kConfiguration, lineKey("TopLine", i), QString());
    for (int i = TFiveLines::First; i <= TFiveLines::Last; ++i)
        BottomLine[i] = ini.readString(kConfiguration, lineKey("BottomLine", i), QString());
    ServiceInterv = ini.readInteger(kConfiguration, QStringLiteral("ServiceInterv"), 365);
    aktCheckNumber = ini.readInteger(kConfiguration, QStringLiteral("aktCheckNumber"), 0);
    Preview = ini.readBool(kConfiguration, QStringLiteral("Preview"), false);
    ExportFile = ini.readInteger(kConfiguration, QStringLiteral("ExportFile"), 0);
    ExportFileName = ini.readString(kConfiguration, QStringLiteral("ExportFileName"), QString());

    MessageAnswerRAM = ini.readInteger(kTiming, QStringLiteral("MessageAnswerRAM"), 300);
    MessageAnswerReadEEPROM = ini.readInteger(kTiming, QStringLiteral("MessageAnswerReadEEPROM"), 800);
    MessageAnswerWriteEEPROM = ini.readInteger(kTiming, QStringLiteral("MessageAnswerWriteEEPROM"), 1200);
    MessageTimeOut = ini.readInteger(kTiming, QStringLiteral("MessageTimeOut"), 500);
    CharTimeOut = ini.readInteger(kTiming, QStringLiteral("CharTimeOut"), 100);
    RefreshTime = ini.readInteger(kTiming, QStringLiteral("RefreshTime"), 100);
    InActiveTime = ini.readInteger(kTiming, QStringLiteral("InActiveTime"), 15);
    window.SettingDelay = ini.readInteger(kTiming, QStringLiteral("SettingDelay"), 3);
    window.DlgDelay = ini.readInteger(kTiming, QStringLiteral("DlgDelay"), 50);

    for (int i = 0; i < ExportColumnCount; ++i) {
        const TExportColumn& column = ExportColumnTable[static_cast<size_t>(i)];
        ExportColumns[static_cast<size_t>(i)] =
            ini.readBool(kExport, QLatin1String(column.Key), column.Default);
    }
}

bool SaveIniSettings(const QString& iniFileName, const MainWindowSettings& window, QString* errorText) {
    using namespace Globals;
    platform::IniFile ini(iniFileName);

    ini.writeInteger(kPosition, QStringLiteral("Left"), window.Left);
    ini.writeInteger(kPosition, QStringLiteral("Top"), window.Top);

    ini.writeInteger(kInterface, QStringLiteral("Port"), window.Port);
    ini.writeString(kInterface, QStringLiteral("BusLog"), window.BusLog);
    ini.writeString(kInterface, QStringLiteral("COMLog"), window.COMLog);
    ini.writeString(kInterface, QStringLiteral("PgmLog"), window.PgmLog);

    ini.writeBool(kConfiguration, QStringLiteral("ShowHints"), window.ShowHints);
    ini.writeString(kConfiguration, QStringLiteral("Operator"), Operator);
    for (int i = TFiveLines::First; i <= TFiveLines::Last; ++i)
        ini.writeString(kConfiguration, lineKey("TopLine", i), TopLine[i]);
    for (int i = TFiveLines::First; i <= TFiveLines::Last; ++i)
        ini.writeString(kConfiguration, lineKey("BottomLine", i), BottomLine[i]);
    ini.writeInteger(kConfiguration, QStringLiteral("ServiceInterv"), ServiceInterv);
    ini.writeInteger(kConfiguration, QStringLiteral("aktCheckNumber"), aktCheckNumber);
    ini.writeBool(kConfiguration, QStringLiteral("Preview"), Preview);
    ini.writeInteger(kConfiguration, QStringLiteral("ExportFile"), ExportFile);
    ini.writeString(kConfiguration, QStringLiteral("ExportFileName"), ExportFileName);

    ini.writeInteger(kTiming, QStringLiteral("MessageAnswerRAM"), MessageAnswerRAM);
    ini.writeInteger(kTiming, QStringLiteral("MessageAnswerReadEEPROM"), MessageAnswerReadEEPROM);
    ini.writeInteger(kTiming, QStringLiteral("MessageAnswerWriteEEPROM"), MessageAnswerWriteEEPROM);
    ini.writeInteger(kTiming, QStringLiteral("MessageTimeOut"), MessageTimeOut);
    ini.writeInteger(kTiming, QStringLiteral("CharTimeOut"), CharTimeOut);
    ini.writeInteger(kTiming, QStringLiteral("RefreshTime"), RefreshTime);
    ini.writeInteger(kTiming, QStringLiteral("InActiveTime"), InActiveTime);
    ini.writeInteger(kTiming, QStringLiteral("SettingDelay"), window.SettingDelay);
    ini.writeInteger(kTiming, QStringLiteral("DlgDelay"), window.DlgDelay);

    for (int i = 0; i < ExportColumnCount; ++i)
        ini.writeBool(kExport, QLatin1String(ExportColumnTable[static_cast<size_t>(i)].Key),
                      ExportColumns[static_cast<size_t>(i)]);

    return finish(ini, errorText);
}

void LoadPosition(const QString& iniFileName, const PositionKeys& keys, WindowPosition& position) {
    const platform::IniFile ini(iniFileName);
    const QString section = QLatin1String(keys.Section);
    if (keys.Left)
        position.Left = ini.readInteger(section, QLatin1String(keys.Left), position.Left);
    if (keys.Top)
        position.Top = ini.readInteger(section, QLatin1String(keys.Top), position.Top);
    if (keys.Width)
        position.Width = ini.readInteger(section, QLatin1String(keys.Width), position.Width);
    if (keys.Height)
        position.Height = ini.readInteger(section, QLatin1String(keys.Height), position.Height);
}

bool SavePosition(const QString& iniFileName, const PositionKeys& keys, const WindowPosition& position,
                  QString* errorText) {
    platform::IniFile ini(iniFileName);
    const QString section = QLatin1String(keys.Section);
    if (keys.Left)
        ini.writeInteger(section, QLatin1String(keys.Left), position.Left);
    if (keys.Top)
        ini.writeInteger(section, QLatin1String(keys.Top), position.Top);
    if (keys.Width)
        ini.writeInteger(section, QLatin1String(keys.Width), position.Width);
    if (keys.Height)
        ini.writeInteger(section, QLatin1String(keys.Height), position.Height);
    return finish(ini, errorText);
}
