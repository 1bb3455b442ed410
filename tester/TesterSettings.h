#pragma once

#include "tester/TesterMessages.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <utility>

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

    // d0 bits.
    static constexpr uint8_t automatisch = 1;
    static constexpr uint8_t DINVDE = 2; // set = DIN VDE 0702
    static constexpr uint8_t mitIsol = 4;
    static constexpr uint8_t manuGrenz = 8;
    static constexpr uint8_t mitBeruehr = 16;
    static constexpr uint8_t Steuerbarcode = 32;
    static constexpr uint8_t mitIsoDiff = 64;
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
    // d6
    static constexpr uint8_t Abbruch = 1;
    static constexpr uint8_t Grenzwert = 4;
    static constexpr uint8_t NotAus = 8;
    static constexpr uint8_t VisualCheckPassed = 64;

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

// Program-wide: one synchronous exchange with the tester at a time. While an exchange
// waits, the event loop runs timers and clicks; an exchange started from one of them
// would take over the waiting one's answer. What the user asks for meanwhile waits its
// turn (Perform) and runs once the gate is free again.
class TExchangeGate {
public:
    using TAction = std::function<void()>;

    bool Busy() const { return busy_; }
    // User actions are waiting for their turn.
    bool Waiting() const { return !waiting_.empty(); }

    // A user's action: runs at once when no exchange runs and no other action waits, else as
    // soon as the running ones have ended, in the order asked. Asked again under a key
    // (not 0) whose action still waits, the new one replaces it and goes to the end: the
    // latest choice counts, once. Returns whether it ran at once.
    bool Perform(int key, TAction action);
    // As Perform, but never inside the caller: from the scheduler, or at once without one.
    // For what a focus or key event asks for. The mouse press that took the focus from an edit
    // must reach its button before an exchange lets the event loop run, or the release is
    // handled first and the click is lost; queued here, a click that follows runs after it.
    void Post(int key, TAction action);

    // How the gate comes back to the waiting actions once an exchange has ended. The window
    // posts it to its event loop, so that it never runs inside another's code; without a
    // scheduler it runs at once.
    void SetScheduler(std::function<void(TAction)> scheduler) { scheduler_ = std::move(scheduler); }

    // Holds the gate while it lives; Acquired() is false when another exchange has it.
    class TScope {
    public:
        explicit TScope(TExchangeGate& gate) : gate_(gate.busy_ ? nullptr : &gate) {
            if (gate_)
                gate_->busy_ = true;
        }
        ~TScope() {
            if (gate_)
                gate_->Release();
        }
        TScope(const TScope&) = delete;
        TScope& operator=(const TScope&) = delete;
        bool Acquired() const { return gate_ != nullptr; }

    private:
        TExchangeGate* gate_;
    };

private:
    void Enqueue(int key, TAction action);
    void Schedule();
    void Release();
    void RunWaiting();

    bool busy_ = false;
    bool running_ = false; // an action of Perform runs
    std::deque<std::pair<int, TAction>> waiting_;
    std::function<void(TAction)> scheduler_;
};

// What the writers need of the main window.
class ITesterLink {
public:
    virtual ~ITesterLink() = default;
    // The port is open.
    virtual bool Connected() const = 0;
    virtual int FirmwareLevel() const = 0;
    // The configured answer time-out of a class, in milliseconds.
    virtual uint32_t AnswerTimeout(TTimeoutClass c) const = 0;
    // A request to the tester (Id MsgIdPc, answer: a tester frame with code Sub).
    virtual bool RequestMsg(uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs, TProtok& Answer) = 0;
    virtual void PauseRefresh() = 0;
    virtual void ResumeRefresh() = 0;
};

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
    TTesterSettings(ITesterLink& link, TExchangeGate& gate) : link_(link), gate_(gate) {}

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

private:
    template <typename Edit> bool WriteSettings(TTimeoutClass writeClass, bool trimmed, Edit edit);
    template <typename Edit> bool WriteLimitIndices(Edit edit);
    template <typename Body> bool Exclusive(Body body);
    bool ModeFlag(uint8_t Mask, bool On);
    bool Reject();

    ITesterLink& link_;
    TExchangeGate& gate_;
    TWriteOutcome outcome_ = TWriteOutcome::woNone;
};

// Seconds of the measuring-time edit as tenths, halves to the even neighbour.
int32_t MeasuringTimeTenths(double seconds);
