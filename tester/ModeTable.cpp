#include "tester/ModeTable.h"

#include "tester/Limits.h"

// Rows 0..23 for every tester, 24..35 (insulation plus differential) from firmware level 1.
const std::array<TModeRow, ModeTableSize> ModeTable{{
    {1, true, false, false, 0, false, "99", {"I", "Isol.", "-", "0701", "nein"}},
    {1, true, false, false, 0, true, "98", {"I", "Isol.", "-", "0701", "ja"}},
    {1, true, false, false, 1, false, "97", {"I", "Isol.", "-", "0702", "nein"}},
    {1, true, false, false, 1, true, "96", {"I", "Isol.", "-", "0702", "ja"}},
    {1, false, false, true, 0, false, "95", {"I", "Diff.", "ja", "0701", "nein"}},
    {1, false, false, true, 0, true, "94", {"I", "Diff.", "ja", "0701", "ja"}},
    {1, false, false, true, 1, false, "93", {"I", "Diff.", "ja", "0702", "nein"}},
    {1, false, false, true, 1, true, "92", {"I", "Diff.", "ja", "0702", "ja"}},
    {1, false, false, false, 0, false, "91", {"I", "Diff.", "nein", "0701", "nein"}},
    {1, false, false, false, 0, true, "90", {"I", "Diff.", "nein", "0701", "ja"}},
    {1, false, false, false, 1, false, "89", {"I", "Diff.", "nein", "0702", "nein"}},
    {1, false, false, false, 1, true, "88", {"I", "Diff.", "nein", "0702", "ja"}},
    {2, false, false, true, 0, false, "87", {"II", "-", "ja", "0701", "nein"}},
    {2, false, false, true, 0, true, "86", {"II", "-", "ja", "0701", "ja"}},
    {2, false, false, true, 1, false, "85", {"II", "-", "ja", "0702", "nein"}},
    {2, false, false, true, 1, true, "84", {"II", "-", "ja", "0702", "ja"}},
    {2, true, false, false, 0, false, "77", {"II", "Isol.", "-", "0701", "nein"}},
    {2, true, false, false, 0, true, "76", {"II", "Isol.", "-", "0701", "ja"}},
    {2, true, false, false, 1, false, "75", {"II", "Isol.", "-", "0702", "nein"}},
    {2, true, false, false, 1, true, "74", {"II", "Isol.", "-", "0702", "ja"}},
    {3, true, false, false, 0, false, "83", {"III", "Isol.", "-", "0701", "nein"}},
    {3, true, false, false, 0, true, "82", {"III", "Isol.", "-", "0701", "ja"}},
    {3, true, false, false, 1, false, "81", {"III", "Isol.", "-", "0702", "nein"}},
    {3, true, false, false, 1, true, "80", {"III", "Isol.", "-", "0702", "ja"}},
    {1, false, true, true, 0, false, "68", {"I", "I + D", "ja", "0701", "nein"}},
    {1, false, true, true, 0, true, "67", {"I", "I + D", "ja", "0701", "ja"}},
    {1, false, true, true, 1, false, "66", {"I", "I + D", "ja", "0702", "nein"}},
    {1, false, true, true, 1, true, "65", {"I", "I + D", "ja", "0702", "ja"}},
    {1, false, true, false, 0, false, "64", {"I", "I + D", "nein", "0701", "nein"}},
    {1, false, true, false, 0, true, "63", {"I", "I + D", "nein", "0701", "ja"}},
    {1, false, true, false, 1, false, "62", {"I", "I + D", "nein", "0702", "nein"}},
    {1, false, true, false, 1, true, "61", {"I", "I + D", "nein", "0702", "ja"}},
    {2, false, true, true, 0, false, "60", {"II", "I + D", "ja", "0701", "nein"}},
    {2, false, true, true, 0, true, "59", {"II", "I + D", "ja", "0701", "ja"}},
    {2, false, true, true, 1, false, "58", {"II", "I + D", "ja", "0702", "nein"}},
    {2, false, true, true, 1, true, "57", {"II", "I + D", "ja", "0702", "ja"}},
}};

int ModeTableRowCount(int firmwareLevel) {
    return firmwareLevel > 0 ? ModeTableSize : 24;
}

TStoredTestMode StoredTestModeOf(const TWerteSatz& w) {
    return {w.Menueflags, w.Schutzklasse, w.GrwSchutzleiterwid, w.GrwIsolationswid, w.GrwAbleitstrom};
}

bool TMeasuringModeWriter::WriteMode(int32_t schutzklasse, bool mitIsol, bool mitIsoDiff, bool mitBeruehr,
                                     int32_t dinVde, bool automatisch) {
    return settings_.SendProtectionClass(schutzklasse) && settings_.SendInsulationMode(mitIsol, mitIsoDiff) &&
           settings_.SendTouchCurrent(mitBeruehr) && settings_.SendDinVde(dinVde) &&
           settings_.SendAutoSequence(automatisch);
}

bool ApplyStoredTestMode(TTesterSettings& writers, const TStoredTestMode& mode) {
    // The tester's table as the writes begin: they let the event loop run.
    const int32_t firmwareLevel = writers.Link().FirmwareLevel();
    const int32_t m = mode.Menueflags;
    const bool manual = (m & Menueflags::manuGrenz) != 0;
    const bool written =
        writers.SendProtectionClass(mode.Schutzklasse) &&
        writers.SendInsulationMode((m & Menueflags::mitIsol) != 0, (m & Menueflags::mitIsoDiff) != 0) &&
        writers.SendTouchCurrent((m & Menueflags::mitBeruehr) != 0) &&
        writers.SendDinVde((m & Menueflags::DINVDE) != 0 ? 1 : 0) &&
        writers.SendAutoSequence((m & Menueflags::automatisch) != 0) && writers.SendManualLimits(manual);
    if (!written || !manual)
        return written;
    const int pe = IndexOfValue(PeResistanceLimits(firmwareLevel), mode.GrwSchutzleiterwid);
    const int insulation = IndexOfValue(InsulationLimits, mode.GrwIsolationswid);
    const int leakage = IndexOfValue(LeakageLimits, mode.GrwAbleitstrom);
    if (pe >= 0)
        writers.SendPeLimitIndex(pe);
    if (insulation >= 0)
        writers.SendInsulationLimitIndex(insulation);
    if (leakage >= 0)
        writers.SendLeakageLimitIndex(leakage);
    return true;
}

bool TMeasuringModeWriter::WriteStoredTest(const TStoredTestMode& mode) {
    if (link_.ExchangeGate().Busy())
        return false;
    link_.PauseRefresh();
    settingsHold_ = settingDelay_;
    const bool written = ApplyStoredTestMode(settings_, mode);
    link_.ResumeRefresh();
    return written;
}

bool TMeasuringModeWriter::WriteTableRow(int row) {
    if (row < 0 || row >= ModeTableRowCount(link_.FirmwareLevel()) || link_.ExchangeGate().Busy())
        return false;
    const TModeRow& r = ModeTable[static_cast<size_t>(row)];
    link_.PauseRefresh();
    settingsHold_ = settingDelay_;
    const bool written =
        WriteMode(r.Schutzklasse, r.mitIsol, r.mitIsoDiff, r.mitBeruehr, r.DinVde, r.automatisch);
    link_.ResumeRefresh();
    return written;
}
