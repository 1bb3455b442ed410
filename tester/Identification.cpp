#include "tester/Identification.h"

#include "tester/Limits.h"

#include <cstdint>

QString SerialNumberFromFrame(const TProtok& answer) {
    QString result;
    for (int i = 0; i < 5; ++i) {
        const uint8_t b = answer[static_cast<size_t>(4 + i)];
        result += QChar(u'0' + (b & 0x0F));
        result += QChar(u'0' + (b >> 4));
    }
    return result;
}

QString ProgramVersionFromFrame(const TProtok& answer) {
    QString c[7];
    for (int i = 0; i < 7; ++i)
        c[i] = QChar(static_cast<char16_t>(answer[static_cast<size_t>(4 + i)]));
    return c[0] + u'.' + c[1] + c[2] + u'.' + c[3] + c[4] + u' ' + c[5] + c[6];
}

namespace {

uint32_t hexValue(char ch) {
    if (ch >= '0' && ch <= '9')
        return static_cast<uint32_t>(ch - '0');
    if (ch >= 'a' && ch <= 'f')
        return static_cast<uint32_t>(ch - 'a' + 10);
    if (ch >= 'A' && ch <= 'F')
        return static_cast<uint32_t>(ch - 'A' + 10);
    return 0;
}

} // namespace

int FirmwareLevelOfVersion(const char* c, size_t count) {
    uint32_t v[5] = {};
    for (size_t i = 0; i < 5 && i < count; ++i)
        v[i] = hexValue(c[i]);
    const uint32_t h = v[0];
    const uint32_t l = (v[1] << 24) | (v[2] << 16) | (v[3] << 8) | v[4];
    int level = 0;
    if ((h == 1 && l >= 0x802) || h > 1)
        level = 1;
    if ((h == 1 && l >= 0x20904) || h > 1)
        level = 2;
    if ((h == 1 && l >= 0x20B01) || h > 1)
        level = 3;
    return level;
}

int FirmwareLevelFromFrame(const TProtok& answer) {
    char c[5];
    for (size_t i = 0; i < 5; ++i)
        c[i] = static_cast<char>(answer[4 + i]);
    return FirmwareLevelOfVersion(c, 5);
}

QString FirmwareLevelPanelText(int level) {
    if (level == 0)
        return QString();
    return QStringLiteral("%1").arg(level, 2, 10, QChar(u'0'));
}

int PeTrackBarMax(int level) {
    return static_cast<int>(PeResistanceLimits(level).size()) - 1;
}

QString GetSerialNumber(ITesterLink& link) {
    for (int attempt = 0; attempt < 3 && link.Connected(); ++attempt) {
        TProtok answer{};
        if (link.RequestMsg(MsgQuerySerialNumber, {}, link.AnswerTimeout(TTimeoutClass::tcRam), answer))
            return SerialNumberFromFrame(answer);
    }
    return QString();
}

TProgramVersion GetProgramVersion(ITesterLink& link) {
    TProgramVersion r;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!link.Connected()) {
            r.LinkLost = true;
            return r;
        }
        TProtok answer{};
        if (link.RequestMsg(MsgGetProgramVersion, {}, link.AnswerTimeout(TTimeoutClass::tcRam), answer)) {
            r.Version = ProgramVersionFromFrame(answer);
            r.FirmwareLevel = FirmwareLevelFromFrame(answer);
            r.Answered = true;
            break;
        }
    }
    return r;
}
