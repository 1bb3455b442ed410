#pragma once

#include "serial/SyncBus.h"

#include <cstdint>
#include <string>

// Id byte of every frame the PC sends ("a") and of every frame of the tester.
inline constexpr uint8_t MsgIdPc = 0x61;
inline constexpr uint8_t MsgIdTester = 0xEC;

// Message codes (the Sub byte of a frame).
inline constexpr uint8_t MsgGetProgramVersion = 0x10;
inline constexpr uint8_t MsgQuerySerialNumber = 0x11;
inline constexpr uint8_t MsgQueryStackSizes = 0x12;
inline constexpr uint8_t MsgQueryUsedMemory = 0x13;
inline constexpr uint8_t MsgQueryAvailableMemory = 0x14;
inline constexpr uint8_t MsgQueryLanguageEntry = 0x15;
inline constexpr uint8_t MsgReadRecordPart1 = 0x20;
inline constexpr uint8_t MsgReadRecordPart2 = 0x21;
inline constexpr uint8_t MsgReadRecordPart3 = 0x22;
inline constexpr uint8_t MsgReadRecordPart4 = 0x23;
inline constexpr uint8_t MsgReadRecordPart5 = 0x24;
inline constexpr uint8_t MsgMemoryDump = 0x25;
inline constexpr uint8_t MsgQueryStackDepths = 0x30;
inline constexpr uint8_t MsgQueryLimits1 = 0x31;
inline constexpr uint8_t MsgQueryLimits2 = 0x32;
inline constexpr uint8_t MsgQueryRecordCount = 0x33;
inline constexpr uint8_t MsgQueryFlags = 0x34;
inline constexpr uint8_t MsgQueryAdcData = 0x35;
inline constexpr uint8_t MsgQueryPortLines = 0x36;
inline constexpr uint8_t MsgQueryMeasured1 = 0x37;
inline constexpr uint8_t MsgQueryMeasured2 = 0x38;
inline constexpr uint8_t MsgQueryRawValues = 0x39;
inline constexpr uint8_t MsgQuerySequenceFlags = 0x3A;
inline constexpr uint8_t MsgQueryLanguage = 0x3B;
inline constexpr uint8_t MsgSetSerialNumber = 0x65;
inline constexpr uint8_t MsgSetSettings = 0x66;
inline constexpr uint8_t MsgSetAutosend = 0x67;
inline constexpr uint8_t MsgSetLimitIndices = 0x68;
inline constexpr uint8_t MsgSetLanguage = 0x69;
inline constexpr uint8_t MsgEepromFunction = 0x70;
inline constexpr uint8_t MsgReadEeprom = 0x71;

// Bit k asks the tester to send message $30 + k by itself; the main window asks for
// $32, $33, $34, $37, $38, $39 and $3A. 0 stops the autosend.
inline constexpr uint16_t AutosendMask = 0x079C;
inline constexpr uint16_t AutosendOff = 0x0000;

// How long a request waits for its answer: the configured MessageAnswerRAM,
// MessageAnswerReadEEPROM or MessageAnswerWriteEEPROM. Each request names its class where it
// is sent.
enum class TTimeoutClass { tcRam, tcReadEeprom, tcWriteEeprom };

// Class of a MsgEepromFunction request by its function character: "T" R, "S" E, "C" W. Any
// other character waits as long as "C", the longest.
TTimeoutClass EepromFunctionTimeoutClass(char function);

// Label of a code in the program log, or nullptr for a code without one.
const char* MsgLogLabel(uint8_t code);

// Program-log lines for a frame about to be sent and for a good frame received.
std::string SentMsgLogLine(const TProtok& Msg);
std::string ReceivedMsgLogLine(const TProtok& Msg);

// A request to the tester: Id MsgIdPc, and only a tester frame with the request's own
// code counts as its answer.
bool RequestTesterMsg(TSynchroBus& bus, uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs,
                      TProtok& Answer);
