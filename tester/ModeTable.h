#pragma once

#include "tester/Globals.h"
#include "tester/TesterSettings.h"

#include <array>
#include <cstdint>

// One measuring mode: protection class, insulation variant, touch current, DIN VDE part and
// sequence. Code and texts are those of the list and of the control barcodes that set the
// same mode by the tester's reader; they are fixed per row, not derived from the fields.
struct TModeRow {
    int32_t Schutzklasse;
    bool mitIsol;
    bool mitIsoDiff;
    bool mitBeruehr;
    int32_t DinVde; // 0 = DIN VDE 0701, 1 = DIN VDE 0702
    bool automatisch;
    const char* Code;
    // "Schutzkl.", "Isol/Diff", "Berührstr.", "DIN/VDE", "auto"
    std::array<const char*, 5> Texts;
};

inline constexpr int ModeTableSize = 36;
extern const std::array<TModeRow, ModeTableSize> ModeTable;

// Rows 24 and up (insulation plus differential) need firmware level 1 or more.
int ModeTableRowCount(int firmwareLevel);

// What the mode of a stored test is made of: fields of "Pruefung.db".
struct TStoredTestMode {
    int32_t Menueflags = 0;
    int32_t Schutzklasse = 0;
    int32_t GrwSchutzleiterwid = 0;
    int32_t GrwIsolationswid = 0;
    int32_t GrwAbleitstrom = 0;
};
TStoredTestMode StoredTestModeOf(const TWerteSatz& w);

// Sends a stored test's mode through the writers in their fixed order and stops at the first
// that fails; with manual limits it then sends each limit found in its table for the writers'
// tester (those results are ignored). True when the mode writes succeeded.
bool ApplyStoredTestMode(TTesterSettings& writers, const TStoredTestMode& mode);

// Writes a whole measuring mode through the settings writers, one after the other, each only
// after the one before succeeded. The refresh is paused around the chain and the settings
// hold counter is set so that the settings panel does not show the tester's intermediate
// states. While another exchange waits for the tester (the program's exchange gate is held)
// nothing is sent and the refresh is left to that exchange.
class TMeasuringModeWriter {
public:
    TMeasuringModeWriter(ITesterLink& link, TTesterSettings& settings, int& settingsHold, int settingDelay)
        : link_(link), settings_(settings), settingsHold_(settingsHold), settingDelay_(settingDelay) {}

    // Class, insulation, touch current, DIN VDE, sequence, manual limits; with manual limits
    // on, then the three limits that are in their tables (their results do not count).
    // True when the six mode writes succeeded; false at once while the gate is held.
    bool WriteStoredTest(const TStoredTestMode& mode);
    // Class, insulation, touch current, DIN VDE, sequence of a ModeTable row; the limits stay
    // as the tester has them. False for a row outside the table (nothing sent).
    bool WriteTableRow(int row);

private:
    bool WriteMode(int32_t schutzklasse, bool mitIsol, bool mitIsoDiff, bool mitBeruehr, int32_t dinVde,
                   bool automatisch);

    ITesterLink& link_;
    TTesterSettings& settings_;
    int& settingsHold_;
    int settingDelay_;
};

// What a measuring-mode writer works on: the link with its settings writers, the hold counter
// of echoed settings and the hold it is set to.
struct TModeWriterParts {
    ITesterLink& link;
    TTesterSettings& settings;
    int& settingsHold;
    int settingDelay;

    TMeasuringModeWriter Writer() const {
        return TMeasuringModeWriter(link, settings, settingsHold, settingDelay);
    }
};
