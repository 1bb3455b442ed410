#pragma once

#include "tester/WerteSatzFields.h"

#include <QChar>
#include <QLocale>
#include <QString>

#include <array>
#include <cstdint>

// Five text lines, indexed 1 to 5 as the protocol names them.
class TFiveLines {
public:
    QString& operator[](int line) { return lines_.at(static_cast<size_t>(line - 1)); }
    const QString& operator[](int line) const { return lines_.at(static_cast<size_t>(line - 1)); }
    static constexpr int First = 1;
    static constexpr int Last = 5;

private:
    std::array<QString, 5> lines_;
};

// Program-wide values. The configuration values hold zeros and empty texts until the
// configuration file has been read; their users read and write them directly.
namespace Globals {
inline QString Operator;
inline TFiveLines TopLine;
inline TFiveLines BottomLine;
inline int32_t ServiceInterv = 0;
inline int32_t aktCheckNumber = 0;
inline bool Preview = false;
inline int32_t ExportFile = 0;
inline QString ExportFileName;
inline std::array<bool, ExportColumnCount> ExportColumns{};
inline int32_t MessageAnswerRAM = 0;
inline int32_t MessageAnswerReadEEPROM = 0;
inline int32_t MessageAnswerWriteEEPROM = 0;
inline int32_t MessageTimeOut = 0;
inline int32_t CharTimeOut = 0;
inline int32_t RefreshTime = 0;
inline int32_t InActiveTime = 0;

// 0..3 from the tester's program version; 0 while no tester is connected.
inline int32_t FirmwareLevel = 0;
// Ten characters of the connected tester's serial number; empty while disconnected.
inline QString TesterSerialNumber;
// The program's decimal separator for measured values and numeric edits; set at start from the
// locale the program runs in (SeparatorOfLocale).
inline QChar DecimalSeparator = u',';
// The locale's decimal separator as the displays can show it: "," or ".".
QChar SeparatorOfLocale(const QLocale& locale);

// The configured timings as their users need them. The values above stay as the user wrote
// them; these give the nearest value that cannot make a wait wrap around or a timer spin.
uint32_t AnswerTimeoutRAM();
uint32_t AnswerTimeoutReadEEPROM();
uint32_t AnswerTimeoutWriteEEPROM();
int64_t BusMsgTimeOut();
int64_t BusCharTimeOut();
// How long the bus awaits answers owed to earlier attempts: the inactivity supervision's time
// (Timer1 ticks of 100 ms), 1.5 s where that is off.
int64_t LateAnswerWaitMs();
// Timer2 ticks between two autosend orders, at least 1.
int32_t RefreshTicks();
// Timer1 ticks of silence before the link is dropped; 0 or more, and small enough to double.
int32_t InactivityTicks();
// Interval in ms of a timer that polls the tester (the main window's DlgDelay), at least 1.
int32_t PollIntervalMs(int32_t dlgDelay);
} // namespace Globals
