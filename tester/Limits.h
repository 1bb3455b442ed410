#pragma once

#include <QChar>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>

// Limits by the index the tester uses, in the tester's units: mOhm, kOhm, 0.01 mA.
// Testers from firmware level 1 on know two lower protective-conductor limits, added
// at the end so that the older indices keep their meaning.
inline constexpr std::array<int32_t, 10> PeResistanceLimits10{300, 400, 500,  600, 700,
                                                              800, 900, 1000, 100, 200};
inline constexpr std::array<int32_t, 8> PeResistanceLimits8{300, 400, 500, 600, 700, 800, 900, 1000};
inline constexpr std::array<int32_t, 5> InsulationLimits{250, 300, 500, 1000, 2000};
inline constexpr std::array<int32_t, 14> LeakageLimits{50,  350,  400,  500,  600,  700,  800,
                                                       900, 1000, 1100, 1200, 1300, 1400, 1500};

enum class TLimitKind { lkPeResistance, lkInsulation, lkLeakage };

// The protective-conductor table of a firmware level.
std::span<const int32_t> PeResistanceLimits(int firmwareLevel);
std::span<const int32_t> LimitTable(TLimitKind kind, int firmwareLevel);

// Lowest index whose entry equals Value, or -1.
int IndexOfValue(std::span<const int32_t> Table, int32_t Value);

// The limit of an index, empty when the index lies outside the table.
std::optional<int32_t> LimitAt(TLimitKind kind, int index, int firmwareLevel);

// The limit in the unit shown beside the digits: mOhm, MOhm, mA.
double LimitDisplayValue(TLimitKind kind, int32_t value);

// Text of a limit row: " --- " for an index outside the table or a row not in use;
// otherwise "%1.0f" (mOhm) or "%1.2f" with the given decimal separator.
QString LimitDisplayText(TLimitKind kind, int index, int firmwareLevel, bool rowInUse,
                         QChar decimalSeparator);

// Standard limits for a protection class (0 = none, 1..3 = I..III), the DIN VDE part,
// the insulation variant (0 without, 1 with insulation test, 2 with insulation and
// differential test) and the firmware level.
struct TStandardLimits {
    int32_t PeResistance = 300;
    std::optional<int32_t> Insulation; // none without a protection class
    int32_t Leakage = 350;
};
TStandardLimits StandardLimits(int protectionClass, bool din0702, int insulationVariant, int firmwareLevel);

// The same as table indices; -1 where there is no standard value.
struct TStandardLimitIndices {
    int PeResistance = -1;
    int Insulation = -1;
    int Leakage = -1;
};
TStandardLimitIndices StandardLimitIndices(int protectionClass, bool din0702, int insulationVariant,
                                           int firmwareLevel);

// Track-bar position of a limit index and back. From firmware level 1 on the
// protective-conductor bar runs from the lowest value (100 mOhm, index 8) to the highest;
// the other bars show the index itself. -1 for an index or position outside the table.
int TrackBarPosition(TLimitKind kind, int index, int firmwareLevel);
int IndexOfTrackBarPosition(TLimitKind kind, int position, int firmwareLevel);
