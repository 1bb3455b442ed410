#include "tester/TesterMessages.h"

#include <gtest/gtest.h>

namespace {

TProtok frame(uint8_t id, uint8_t code, std::initializer_list<uint8_t> data = {}) {
    TProtok f{};
    f[0] = 'S';
    f[1] = id;
    f[3] = code;
    size_t i = 4;
    for (uint8_t b : data)
        f[i++] = b;
    return f;
}

TProtok sent(uint8_t code, std::initializer_list<uint8_t> data = {}) {
    return frame(MsgIdPc, code, data);
}
TProtok received(uint8_t code, std::initializer_list<uint8_t> data = {}) {
    return frame(MsgIdTester, code, data);
}

} // namespace

TEST(MessageLog, KnownCodesCarryTheirLabelWithUpperCaseHex) {
    EXPECT_EQ(SentMsgLogLine(sent(MsgGetProgramVersion)), "Sendung $10: Programmversionsnummer holen");
    EXPECT_EQ(SentMsgLogLine(sent(MsgQuerySequenceFlags)), "Sendung $3A: Meßablaufflags abfragen");
    EXPECT_EQ(SentMsgLogLine(sent(MsgSetSettings)), "Sendung $66: verschiedene Einstellungen vorgeben");
    EXPECT_EQ(ReceivedMsgLogLine(received(MsgQueryRecordCount)),
              "Empfang $33: Anzahl der Datensätze im EEPROM");
    EXPECT_EQ(ReceivedMsgLogLine(received(MsgQueryMeasured1)), "Empfang $37: Meßwerte abfragen (1)");
    EXPECT_EQ(ReceivedMsgLogLine(received(MsgQueryAdcData)), "Empfang $35: ADC-Daten direkt abfragen");
    EXPECT_EQ(ReceivedMsgLogLine(received(MsgQueryPortLines)), "Empfang $36: Portleitungen abfragen");
    EXPECT_EQ(SentMsgLogLine(sent(MsgReadRecordPart5)), "Sendung $24: akt. Datensatz lesen (5)");
    EXPECT_EQ(SentMsgLogLine(sent(MsgQueryStackSizes)), "Sendung $12: Stackgrößen abfragen");
    EXPECT_EQ(SentMsgLogLine(sent(MsgEepromFunction, {'C'})), "Sendung $70: EEPROM-Funktion auslösen");
    EXPECT_EQ(ReceivedMsgLogLine(received(MsgReadEeprom)), "Empfang $71: EEPROM lesen (8 Bytes)");
}

TEST(MessageLog, CodesWithoutLabelAreUnknownInLowerCaseHex) {
    EXPECT_EQ(SentMsgLogLine(sent(MsgQueryLanguage)), "Sendung $3b: unbekannt");
    EXPECT_EQ(ReceivedMsgLogLine(received(MsgQueryLanguage)), "Empfang $3b: unbekannt");
    EXPECT_EQ(SentMsgLogLine(sent(MsgQueryLanguageEntry, {3})), "Sendung $15: unbekannt");
    EXPECT_EQ(SentMsgLogLine(sent(MsgSetLimitIndices)), "Sendung $68: unbekannt");
    EXPECT_EQ(SentMsgLogLine(sent(MsgSetLanguage)), "Sendung $69: unbekannt");
    EXPECT_EQ(ReceivedMsgLogLine(received(0xAF)), "Empfang $af: unbekannt");
    EXPECT_EQ(ReceivedMsgLogLine(received(0x00)), "Empfang $00: unbekannt");
}

TEST(MessageLog, AutosendListsTheAskedCodesInBitOrder) {
    EXPECT_EQ(SentMsgLogLine(sent(MsgSetAutosend, {0x9C, 0x07})),
              "Sendung $67: Autosend-Funktionen festlegen: $32 $33 $34 $37 $38 $39 $3A");
    EXPECT_EQ(SentMsgLogLine(sent(MsgSetAutosend, {0x03, 0x00})),
              "Sendung $67: Autosend-Funktionen festlegen: $30 $31");
    // Bits 11..15 name no message.
    EXPECT_EQ(SentMsgLogLine(sent(MsgSetAutosend, {0x00, 0xF8})),
              "Sendung $67: Autosend-Funktionen festlegen:");
    EXPECT_EQ(SentMsgLogLine(sent(MsgSetAutosend, {0x00})), "Sendung $67: Autosend-Funktionen löschen");
    EXPECT_EQ(ReceivedMsgLogLine(received(MsgSetAutosend, {0x9C, 0x07})),
              "Empfang $67: Autosend-Funktionen festlegen");
}

TEST(MessageLog, TheWindowsMaskIsTheOneTheLogNames) {
    EXPECT_EQ(AutosendMask, 0x079C);
    TSynchroBus bus;
    const TMsgData list = bus.IntToMsgData(AutosendMask);
    EXPECT_EQ(list, std::string("\x9C\x07", 2));
    TProtok f;
    bus.BuildMsg(MsgIdPc, MsgSetAutosend, list, f);
    EXPECT_EQ(SentMsgLogLine(f), "Sendung $67: Autosend-Funktionen festlegen: $32 $33 $34 $37 $38 $39 $3A");
    bus.BuildMsg(MsgIdPc, MsgSetAutosend, std::string(1, '\0'), f);
    EXPECT_EQ(SentMsgLogLine(f), "Sendung $67: Autosend-Funktionen löschen");
}

TEST(MessageTimeouts, EepromFunctionsWaitByTheirFunction) {
    EXPECT_EQ(EepromFunctionTimeoutClass('T'), TTimeoutClass::tcRam);
    EXPECT_EQ(EepromFunctionTimeoutClass('S'), TTimeoutClass::tcReadEeprom);
    EXPECT_EQ(EepromFunctionTimeoutClass('C'), TTimeoutClass::tcWriteEeprom);
    EXPECT_EQ(EepromFunctionTimeoutClass('X'), TTimeoutClass::tcWriteEeprom) << "the longest wait";
}
