#pragma once

#include "tester/TesterLink.h"
#include "tester/TesterMessages.h"
#include "tester/WerteSatz.h"

#include <array>
#include <cstdint>
#include <initializer_list>

// The tester's remotely changeable settings: data bytes d0..d7 of the $34 answer and of
// the $66 write.
struct TesterSettingsBlock {
    // Byte positions.
    static constexpr int Menueflags = 0;
    static constexpr int Language = 1;
    static constexpr int Schutzklasse = 2;
    static constexpr int Messzeit = 3;
    static constexpr int Status = 4;
    static constexpr int Sperre = 5;
    static constexpr int Messablauf = 6;
    static constexpr int Command = 7;

    // Bits: d0 those of Menueflags, d6 those of Messablauf (tester/WerteSatz.h), the record
    // fields that keep these two bytes.
    // d1
    static constexpr uint8_t LanguageSettable = 4;
    // d2
    static constexpr uint8_t ClassMask = 3;
    static constexpr uint8_t VisualCheckPending = 8;
    // d4
    static constexpr uint8_t Umschalt = 1;
    // d5
    static constexpr uint8_t WrittenByPc = 4;
    static constexpr uint8_t Einstellsperre = 8;
    static constexpr uint8_t MainsWarning = 128;

    std::array<uint8_t, 8> d{};

    static TesterSettingsBlock FromFrame(const TProtok& frame);
    // All eight bytes.
    TMsgData Data() const;
    // The eight bytes less the zero bytes at their end.
    TMsgData TrimmedData() const;
};

// The tester's three limit indices: d2, d3, d4 of the $3A answer, d0..d2 of the $68 write.
struct TLimitIndices {
    std::array<uint8_t, 3> Index{}; // protective conductor, insulation, leakage

    static TLimitIndices FromFrame(const TProtok& frame);
    TMsgData Data() const;
};

// Key values of the command byte d7.
inline constexpr uint8_t KeyStart = 1; // start or continue
inline constexpr uint8_t KeyAbort = 2;
inline constexpr uint8_t KeyClearMemory = 16;
inline constexpr uint8_t Command40 = 0x40;

// How the last writer call ended.
enum class TWriteOutcome {
    woNone,         // no writer has run yet
    woWritten,      // the tester took the write
    woUnchanged,    // the bit was already as wanted; nothing written
    woFailed,       // no answer in three rounds
    woDisconnected, // the port closed before a round
    woRejected,     // argument or firmware level outside the guard; nothing sent
    woBusy,         // another exchange was running; nothing sent
};

// The settings writers: each reads the tester's block, changes one field and writes the
// whole block back, in up to three rounds while the port is open.
class TTesterSettings {
public:
    explicit TTesterSettings(ITesterLink& link) : link_(link) {}

    bool SendModeFlag(uint8_t Mask, bool On);
    bool SendDinVde(int32_t Index);
    bool SendAutoSequence(bool On);
    bool SendManualLimits(bool On);
    bool SendTouchCurrent(bool On);
    bool SendControlBarcode(bool On);
    bool SendInsulationMode(bool WithInsulation, bool InsulationPlusDiff);
    bool SendSettingsLock(bool On);
    bool SendProtectionClass(int32_t Class);
    bool SendMeasuringTime(int32_t Tenths);
    // Of the keys only KeyStart, 4, KeyAbort and KeyClearMemory reach the tester.
    bool SendKeyCommand(std::initializer_list<int32_t> Keys);
    void SendVisualCheckPending(bool Pending);
    void SendVisualCheckPassed(bool Passed);
    void SendCommand40();
    bool SendPeLimitIndex(int32_t Index);
    bool SendInsulationLimitIndex(int32_t Index);
    bool SendLeakageLimitIndex(int32_t Index);

    // Class 2 without insulation test needs touch current; class 3 needs the insulation
    // test and excludes the differential one.
    static void NormalizeModeFlags(uint8_t& Flags, int Class);

    TWriteOutcome LastOutcome() const { return outcome_; }
    // The tester the writers write to.
    ITesterLink& Link() const { return link_; }

private:
    template <typename Edit> bool WriteSettings(TTimeoutClass writeClass, bool trimmed, Edit edit);
    template <typename Edit> bool WriteLimitIndices(Edit edit);
    template <typename Body> bool Exclusive(Body body);
    bool ModeFlag(uint8_t Mask, bool On);
    bool Reject();

    ITesterLink& link_;
    TWriteOutcome outcome_ = TWriteOutcome::woNone;
};

// Seconds of the measuring-time edit as tenths, halves to the even neighbour.
int32_t MeasuringTimeTenths(double seconds);
