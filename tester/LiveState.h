#pragma once

#include "tester/WerteSatz.h"

#include <QString>

#include <array>
#include <cstdint>

// The main window's live state without its widgets. The logic of the live display, the
// settings panel and the key commands writes it; the window copies it into its controls.
// The panel part always equals what the panel shows: the user's changes go in through the
// panel's handlers, the tester's through the live display.

inline constexpr int ValueRowCount = MeasurementBits::Count;
inline constexpr int LimitRowCount = 3;

// Shown text of a value or limit that is not measured or does not apply.
inline const QString NotMeasuredText = QStringLiteral(" --- ");

struct TLiveDisplayState {
    // Head digits of the value rows in MeasurementBits order: Digit16, Digit21, Digit26,
    // Digit31, Digit36, Digit41, Digit46.
    std::array<QString, ValueRowCount> ValueText{NotMeasuredText, NotMeasuredText, NotMeasuredText,
                                                 NotMeasuredText, NotMeasuredText, NotMeasuredText,
                                                 NotMeasuredText};
    // Limit-exceeded labels of the value rows, visible: Label43, Label44, Label45, Label29,
    // Label47, Label31, Label49.
    std::array<bool, ValueRowCount> LimitExceeded{};
    // Limit rows: Digit1, Digit6, Digit11.
    std::array<QString, LimitRowCount> LimitText{NotMeasuredText, NotMeasuredText, NotMeasuredText};
    // Caption labels Label7, Label8, Label9, Label13, Label14, Label15, Label16 enabled, and
    // with each its companion labels; a row is in use while its caption is enabled.
    std::array<bool, ValueRowCount> RowInUse{true, true, true, true, true, true, true};

    // Highlighted forms of the state label pairs shown (SwapVisible): "Umschalt"
    // (Label33/Label39), "Abbruch" (Label36/Label41), "Grenzwert" (Label37/Label40),
    // "Not-Aus" (Label38/Label42).
    bool Umschalt = false;
    bool Abbruch = false;
    bool Grenzwert = false;
    bool NotAus = false;

    // Label under the buttons with the running step's name.
    QString StepName;
    // The "gespeichert:" and "freie Bytes:" counters.
    QString StoredRecords = QStringLiteral("-");
    QString FreeBytes = QStringLiteral("-");

    // TNetzspgWarnWin shown.
    bool WarningWindowVisible = false;
    // The note "ACHTUNG! 230 V~ 16A an Prüfdose" shown.
    bool MainsNoteVisible = false;

    // "Prüfung Start", "Prüfung weiter", "Abbrechen", "&Drucken", "Speicher CLR".
    bool BitBtn1Enabled = false;
    bool BitBtn2Enabled = false;
    bool BitBtn3Enabled = false;
    bool BitBtn4Enabled = false;
    bool BitBtn5Enabled = false;
};

// Entry indices of the settings panel; -1 is no entry.
struct TSettingsPanelState {
    int RadioGroup1 = 0;     // "DIN/VDE": 0701, 0702
    int RadioGroup3 = 0;     // "Messablauf": einzeln, automatisch
    int RadioGroup4 = 0;     // "Grenzwerte": Standard, manuell
    int RadioGroup2 = -1;    // "Isolationsprüfung": ohne, mit, Isol. und Diff.
    int RadioGroup5 = -1;    // "Berührungsstrom": ohne, mit
    int ComboBox1 = -1;      // protection class I, II, III
    bool CheckBox1 = false;  // "Steuerbarcode"
    bool CheckBox2 = false;  // "Einstellsperre"
    int ComboBox2 = 0;       // "Sichtpr.best.": "----", "nein", "ja"
    double FloatEdit1 = 3.0; // measuring time in s
    // TrackBar1, TrackBar2, TrackBar3.
    std::array<int, LimitRowCount> TrackBarPosition{};
    std::array<bool, LimitRowCount> TrackBarEnabled{};
    bool RadioGroup5Enabled = false;
    // ComboBox2 and its label "Sichtpr.best.".
    bool ComboBox2Enabled = false;
};

// Values of the settings panel's radio groups.
namespace PanelEntry {
inline constexpr int Din0702 = 1;
inline constexpr int Automatisch = 1;
inline constexpr int Manuell = 1;
inline constexpr int MitIsol = 1;
inline constexpr int IsolUndDiff = 2;
inline constexpr int MitBeruehr = 1;
inline constexpr int SichtNichtEntschieden = 0;
inline constexpr int SichtNein = 1;
inline constexpr int SichtJa = 2;
} // namespace PanelEntry

// Which panel controls have the input focus; the mirror leaves those alone.
struct TPanelFocus {
    bool ComboBox1 = false;
    bool ComboBox2 = false;
    bool FloatEdit1 = false;
};

struct TLiveState {
    TLiveDisplayState Display;
    TSettingsPanelState Panel;

    // 0 idle, 1..7 the measurement in MeasurementBits order plus one; the tester may report
    // more, which counts as running but names no row.
    int32_t RunningStep = 0;
    // Timer1 ticks during which the tester's settings do not overwrite the panel.
    int32_t SettingsHold = 0;
    // What SettingsHold is set to after a change (configuration "SettingDelay").
    int32_t SettingDelay = 3;
    // Manual limits moved on the track bars and not yet sent: PE resistance, insulation,
    // leakage.
    std::array<bool, LimitRowCount> PendingLimit{};
    // Timer1 ticks until "Prüfung Start" is enabled again.
    int32_t StartCountdown = 0;
    // Counts the connections ended.
    int32_t Connection = 0;
};
