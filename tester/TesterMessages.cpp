#include "tester/TesterMessages.h"

#include <cstdio>

TTimeoutClass EepromFunctionTimeoutClass(char function) {
    switch (function) {
    case 'T':
        return TTimeoutClass::tcRam;
    case 'S':
        return TTimeoutClass::tcReadEeprom;
    default:
        return TTimeoutClass::tcWriteEeprom;
    }
}

const char* MsgLogLabel(uint8_t code) {
    switch (code) {
    case 0x10:
        return "Programmversionsnummer holen";
    case 0x11:
        return "Seriennummer abfragen";
    case 0x12:
        return "Stackgrößen abfragen";
    case 0x13:
        return "belegten Speicher abfragen";
    case 0x14:
        return "vorhandenen Speicher abfragen";
    case 0x20:
        return "akt. Datensatz lesen (1)";
    case 0x21:
        return "akt. Datensatz lesen (2)";
    case 0x22:
        return "akt. Datensatz lesen (3)";
    case 0x23:
        return "akt. Datensatz lesen (4)";
    case 0x24:
        return "akt. Datensatz lesen (5)";
    case 0x25:
        return "Speicherdump (8 Bytes)";
    case 0x30:
        return "Stacktiefen abrufen (1)";
    case 0x31:
        return "Grenzwerte abfragen (1)";
    case 0x32:
        return "Grenzwerte abfragen (2)";
    case 0x33:
        return "Anzahl der Datensätze im EEPROM";
    case 0x34:
        return "verschiedene Flags abfragen";
    case 0x35:
        return "ADC-Daten direkt abfragen";
    case 0x36:
        return "Portleitungen abfragen";
    case 0x37:
        return "Meßwerte abfragen (1)";
    case 0x38:
        return "Meßwerte abfragen (2)";
    case 0x39:
        return "Meßwert-Rohwerte abfragen";
    case 0x3A:
        return "Meßablaufflags abfragen";
    case 0x65:
        return "Seriennummer eintragen";
    case 0x66:
        return "verschiedene Einstellungen vorgeben";
    case 0x67:
        return "Autosend-Funktionen festlegen";
    case 0x70:
        return "EEPROM-Funktion auslösen";
    case 0x71:
        return "EEPROM lesen (8 Bytes)";
    default:
        return nullptr;
    }
}

namespace {

// Known codes print their number in upper case, unknown ones in lower case, as the
// log has always shown them.
std::string logLine(const char* direction, uint8_t code, const char* label) {
    char head[32];
    if (label) {
        std::snprintf(head, sizeof head, "%s $%2.2X: ", direction, code);
        return std::string(head) + label;
    }
    std::snprintf(head, sizeof head, "%s $%2.2x: unbekannt", direction, code);
    return head;
}

} // namespace

std::string SentMsgLogLine(const TProtok& Msg) {
    const uint8_t code = Msg[3];
    if (code != MsgSetAutosend)
        return logLine("Sendung", code, MsgLogLabel(code));
    const unsigned mask = Msg[4] + 256u * Msg[5];
    if (mask == 0)
        return "Sendung $67: Autosend-Funktionen löschen";
    std::string line = "Sendung $67: Autosend-Funktionen festlegen:";
    for (unsigned k = 0; k <= 10; ++k) {
        if (mask & (1u << k)) {
            char item[8];
            std::snprintf(item, sizeof item, " $%2.2X", 0x30 + k);
            line += item;
        }
    }
    return line;
}

std::string ReceivedMsgLogLine(const TProtok& Msg) {
    const uint8_t code = Msg[3];
    return logLine("Empfang", code, MsgLogLabel(code));
}

bool RequestTesterMsg(TSynchroBus& bus, uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs,
                      TProtok& Answer) {
    return bus.RequestMsg(MsgIdPc, Sub, Data, ByteSet({MsgIdTester}), ByteSet({Sub}), TimeoutMs, Answer);
}
