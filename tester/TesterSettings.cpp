#include "tester/TesterSettings.h"

#include <cmath>

using B = TesterSettingsBlock;

TesterSettingsBlock TesterSettingsBlock::FromFrame(const TProtok& frame) {
    TesterSettingsBlock block;
    for (size_t i = 0; i < block.d.size(); ++i)
        block.d[i] = frame[4 + i];
    return block;
}

TMsgData TesterSettingsBlock::Data() const {
    return TMsgData(d.begin(), d.end());
}

TMsgData TesterSettingsBlock::TrimmedData() const {
    TMsgData s = Data();
    while (!s.empty() && s.back() == '\0')
        s.pop_back();
    return s;
}

TLimitIndices TLimitIndices::FromFrame(const TProtok& frame) {
    TLimitIndices limits;
    for (size_t i = 0; i < limits.Index.size(); ++i)
        limits.Index[i] = frame[4 + 2 + i];
    return limits;
}

TMsgData TLimitIndices::Data() const {
    return TMsgData(Index.begin(), Index.end());
}

void TTesterSettings::NormalizeModeFlags(uint8_t& Flags, int Class) {
    if (Class == 2 && !(Flags & Menueflags::mitIsol))
        Flags |= Menueflags::mitBeruehr;
    else if (Class == 3)
        Flags = (Flags | Menueflags::mitIsol) & ~Menueflags::mitIsoDiff;
}

bool TTesterSettings::Reject() {
    outcome_ = TWriteOutcome::woRejected;
    return false;
}

template <typename Body> bool TTesterSettings::Exclusive(Body body) {
    TExchangeGate::TScope scope(link_.ExchangeGate());
    if (!scope.Acquired()) {
        outcome_ = TWriteOutcome::woBusy;
        return false;
    }
    return body();
}

// edit changes the block read and returns false when there is nothing to write.
template <typename Edit>
bool TTesterSettings::WriteSettings(TTimeoutClass writeClass, bool trimmed, Edit edit) {
    link_.PauseRefresh();
    bool written = false;
    bool unchanged = false;
    for (int attempt = 0; attempt < 3 && !written && !unchanged; ++attempt) {
        if (!link_.Connected()) {
            outcome_ = TWriteOutcome::woDisconnected;
            return false;
        }
        TProtok answer{};
        if (!link_.RequestMsg(MsgQueryFlags, TMsgData(), link_.AnswerTimeout(TTimeoutClass::tcRam), answer))
            continue;
        TesterSettingsBlock block = TesterSettingsBlock::FromFrame(answer);
        if (!edit(block)) {
            unchanged = true;
            break;
        }
        TProtok ack{};
        written = link_.RequestMsg(MsgSetSettings, trimmed ? block.TrimmedData() : block.Data(),
                                   link_.AnswerTimeout(writeClass), ack);
    }
    link_.ResumeRefresh();
    outcome_ = written     ? TWriteOutcome::woWritten
               : unchanged ? TWriteOutcome::woUnchanged
                           : TWriteOutcome::woFailed;
    return written;
}

template <typename Edit> bool TTesterSettings::WriteLimitIndices(Edit edit) {
    link_.PauseRefresh();
    bool written = false;
    for (int attempt = 0; attempt < 3 && !written; ++attempt) {
        if (!link_.Connected()) {
            outcome_ = TWriteOutcome::woDisconnected;
            return false;
        }
        TProtok answer{};
        if (!link_.RequestMsg(MsgQuerySequenceFlags, TMsgData(), link_.AnswerTimeout(TTimeoutClass::tcRam),
                              answer))
            continue;
        TLimitIndices limits = TLimitIndices::FromFrame(answer);
        edit(limits);
        TProtok ack{};
        written = link_.RequestMsg(MsgSetLimitIndices, limits.Data(),
                                   link_.AnswerTimeout(TTimeoutClass::tcReadEeprom), ack);
    }
    link_.ResumeRefresh();
    outcome_ = written ? TWriteOutcome::woWritten : TWriteOutcome::woFailed;
    return written;
}

bool TTesterSettings::ModeFlag(uint8_t Mask, bool On) {
    return WriteSettings(TTimeoutClass::tcReadEeprom, false, [Mask, On](TesterSettingsBlock& b) {
        uint8_t& flags = b.d[B::Menueflags];
        flags = On ? (flags | Mask) : (flags & ~Mask);
        NormalizeModeFlags(flags, b.d[B::Schutzklasse] & B::ClassMask);
        b.d[B::Sperre] |= B::WrittenByPc;
        b.d[B::Command] = 0;
        return true;
    });
}

bool TTesterSettings::SendModeFlag(uint8_t Mask, bool On) {
    return Exclusive([&] { return ModeFlag(Mask, On); });
}

bool TTesterSettings::SendDinVde(int32_t Index) {
    if (Index != 0 && Index != 1)
        return Reject();
    return SendModeFlag(Menueflags::DINVDE, Index == 1);
}

bool TTesterSettings::SendAutoSequence(bool On) {
    return SendModeFlag(Menueflags::automatisch, On);
}
bool TTesterSettings::SendManualLimits(bool On) {
    return SendModeFlag(Menueflags::manuGrenz, On);
}
bool TTesterSettings::SendTouchCurrent(bool On) {
    return SendModeFlag(Menueflags::mitBeruehr, On);
}
bool TTesterSettings::SendControlBarcode(bool On) {
    return SendModeFlag(Menueflags::Steuerbarcode, On);
}

bool TTesterSettings::SendInsulationMode(bool WithInsulation, bool InsulationPlusDiff) {
    return Exclusive([&] {
        if (link_.FirmwareLevel() == 0)
            return ModeFlag(Menueflags::mitIsol, WithInsulation);
        return ModeFlag(Menueflags::mitIsoDiff, InsulationPlusDiff) &&
               ModeFlag(Menueflags::mitIsol, WithInsulation);
    });
}

bool TTesterSettings::SendSettingsLock(bool On) {
    return Exclusive([&] {
        return WriteSettings(TTimeoutClass::tcReadEeprom, false, [On](TesterSettingsBlock& b) {
            uint8_t& lock = b.d[B::Sperre];
            lock = On ? (lock | B::Einstellsperre) : (lock & ~B::Einstellsperre);
            lock |= B::WrittenByPc;
            b.d[B::Command] = 0;
            return true;
        });
    });
}

bool TTesterSettings::SendProtectionClass(int32_t Class) {
    if (Class < 1 || Class > 3)
        return Reject();
    return Exclusive([&] {
        return WriteSettings(TTimeoutClass::tcReadEeprom, false, [Class](TesterSettingsBlock& b) {
            b.d[B::Schutzklasse] = static_cast<uint8_t>((b.d[B::Schutzklasse] & 0xFC) | Class);
            NormalizeModeFlags(b.d[B::Menueflags], Class);
            b.d[B::Sperre] |= B::WrittenByPc;
            b.d[B::Command] = 0;
            return true;
        });
    });
}

bool TTesterSettings::SendMeasuringTime(int32_t Tenths) {
    if (Tenths < 1 || Tenths > 250)
        return Reject();
    return Exclusive([&] {
        return WriteSettings(TTimeoutClass::tcReadEeprom, false, [Tenths](TesterSettingsBlock& b) {
            b.d[B::Messzeit] = static_cast<uint8_t>(Tenths);
            b.d[B::Command] = 0;
            return true;
        });
    });
}

bool TTesterSettings::SendKeyCommand(std::initializer_list<int32_t> Keys) {
    uint8_t command = 0;
    for (int32_t key : Keys)
        if (key == KeyStart || key == 4 || key == KeyAbort || key == KeyClearMemory)
            command |= static_cast<uint8_t>(key);
    return Exclusive([&] {
        return WriteSettings(TTimeoutClass::tcReadEeprom, false, [command](TesterSettingsBlock& b) {
            b.d[B::Command] = command;
            return true;
        });
    });
}

void TTesterSettings::SendVisualCheckPending(bool Pending) {
    if (link_.FirmwareLevel() < 1) {
        Reject();
        return;
    }
    Exclusive([&] {
        return WriteSettings(TTimeoutClass::tcRam, true, [Pending](TesterSettingsBlock& b) {
            uint8_t& d2 = b.d[B::Schutzklasse];
            const uint8_t wanted = Pending ? (d2 | B::VisualCheckPending) : (d2 & ~B::VisualCheckPending);
            if (wanted == d2)
                return false;
            d2 = wanted;
            b.d[B::Command] = 0;
            return true;
        });
    });
}

void TTesterSettings::SendVisualCheckPassed(bool Passed) {
    if (link_.FirmwareLevel() < 1) {
        Reject();
        return;
    }
    Exclusive([&] {
        return WriteSettings(TTimeoutClass::tcRam, true, [Passed](TesterSettingsBlock& b) {
            uint8_t& d6 = b.d[B::Messablauf];
            const uint8_t wanted = Passed ? (d6 | Messablauf::SichtpruefungBestanden)
                                          : (d6 & ~Messablauf::SichtpruefungBestanden);
            if (wanted == d6)
                return false;
            d6 = wanted;
            b.d[B::Command] = 0;
            return true;
        });
    });
}

void TTesterSettings::SendCommand40() {
    if (link_.FirmwareLevel() < 1) {
        Reject();
        return;
    }
    Exclusive([&] {
        return WriteSettings(TTimeoutClass::tcRam, true, [](TesterSettingsBlock& b) {
            b.d[B::Command] = Command40;
            return true;
        });
    });
}

bool TTesterSettings::SendPeLimitIndex(int32_t Index) {
    const int32_t last = link_.FirmwareLevel() >= 1 ? 9 : 7;
    if (Index < 0 || Index > last)
        return Reject();
    return Exclusive([&] {
        return WriteLimitIndices([Index](TLimitIndices& l) { l.Index[0] = static_cast<uint8_t>(Index); });
    });
}

bool TTesterSettings::SendInsulationLimitIndex(int32_t Index) {
    if (Index < 0 || Index > 4)
        return Reject();
    return Exclusive([&] {
        return WriteLimitIndices([Index](TLimitIndices& l) { l.Index[1] = static_cast<uint8_t>(Index); });
    });
}

bool TTesterSettings::SendLeakageLimitIndex(int32_t Index) {
    if (Index < 0 || Index > 13)
        return Reject();
    return Exclusive([&] {
        return WriteLimitIndices([Index](TLimitIndices& l) { l.Index[2] = static_cast<uint8_t>(Index); });
    });
}

int32_t MeasuringTimeTenths(double seconds) {
    const double tenths = std::nearbyint(seconds * 10.0);
    if (!std::isfinite(tenths))
        return 0;
    if (tenths > 2147483647.0)
        return 2147483647;
    if (tenths < -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int32_t>(tenths);
}
