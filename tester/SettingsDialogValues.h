#pragma once

#include "tester/Globals.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

// The configuration values of the settings dialog as its controls hold them.
struct TSettingsDialogValues {
    QStringList TopLines;    // Memo1, one entry per line
    QStringList BottomLines; // Memo2
    QString Operator;
    int32_t ServiceInterv = 0;
    bool Preview = false;
    int ExportFileItem = -1; // RadioGroup1: 0 ask, 1 fixed file, -1 no item
    QString ExportFileName;
    std::array<bool, ExportColumnCount> ExportColumns{};
};

// The controls' contents for the program-wide values.
TSettingsDialogValues SettingsDialogValuesFromGlobals();
// Takes the controls' contents back into the program-wide values after OK.
void StoreSettingsDialogValues(const TSettingsDialogValues& values);

// The radio item that shows an ExportFile value: below 0 none (-1), above 1 the fixed file.
int ExportFileItemOf(int32_t exportFile);
// Five protocol lines from a memo's lines: missing lines are empty, lines after the fifth
// are dropped.
void TakeFiveLines(TFiveLines& target, const QStringList& lines);
QStringList LinesOf(const TFiveLines& lines);
// The protocol lines a memo holds at most.
inline constexpr int ProtocolLineCount = 5;
// Line breaks in a text as a memo makes them: CR LF, CR, LF and the Unicode line and
// paragraph separators.
int LineBreakCount(const QString& text);
// The lines a memo's text fills, not counting the empty lines at its end (0 for a text of
// line breaks only): the dialog fills the memos with five lines, empty ones included.
int UsedLineCount(const QString& text);
// The length of a memo's text without the empty lines at its end beyond ProtocolLineCount.
qsizetype KeptTextLength(const QString& text);

// The service interval in days from the text of its edit, read as the integer edit reads
// it: a whole decimal number with an optional sign, blanks around it allowed, else the
// number within the text ("12 Tage" is 12). Empty when the text holds no number.
std::optional<int32_t> ParseServiceInterval(const QString& text);
// Shown when the service interval holds no number; the dialog stays open.
extern const QString ServiceIntervalMessage;

// Caption of the export column's check box: its key, "Sichtprüfung" for Sichtpruefung.
QString ExportColumnCaption(int index);
// The designed check box of an export column: its number (CheckBox2 .. CheckBox57) and place.
struct TExportCheckBoxPlace {
    int Number;
    int Left;
    int Top;
    int Width;
};
TExportCheckBoxPlace ExportCheckBoxPlace(int index);
