#include "tester/Identification.h"
#include "tests/support/FakeTesterLink.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>

namespace {

TProtok frameWith(uint8_t sub, const std::vector<uint8_t>& data) {
    TProtok f{};
    f[0] = 0x53;
    f[1] = MsgIdTester;
    f[3] = sub;
    for (size_t i = 0; i < data.size(); ++i)
        f[4 + i] = data[i];
    return f;
}

TProtok versionFrame(const char* text) {
    std::vector<uint8_t> d(text, text + std::strlen(text));
    return frameWith(MsgGetProgramVersion, d);
}

int level(const char* c) {
    return FirmwareLevelOfVersion(c, std::strlen(c));
}

// A tester that gives the scripted frames in turn, then nothing.
class ScriptedLink : public FakeTesterLink {
public:
    ScriptedLink() { level = 0; }

    std::deque<std::optional<TProtok>> frames; // nothing: no answer

protected:
    bool Respond(const Request&, TProtok& Answer) override {
        if (frames.empty())
            return false;
        auto a = frames.front();
        frames.pop_front();
        if (!a)
            return false;
        Answer = *a;
        return true;
    }
};

} // namespace

TEST(Identification, FirmwareLevelFromVersionCharacters) {
    EXPECT_EQ(level("10081"), 0);
    EXPECT_EQ(level("10082"), 1);
    EXPECT_EQ(level("10294"), 2);
    EXPECT_EQ(level("102B1"), 3);
    EXPECT_EQ(level("102b1"), 3);
    EXPECT_EQ(level("20000"), 3);
    EXPECT_EQ(level("0FFFF"), 0);
    EXPECT_EQ(level("1zz99"), 1); // characters that are no hex digit count as 0: 1.00.99
    EXPECT_EQ(level(""), 0);
}

TEST(Identification, ProgramVersionTextAndLevelFromTheAnswer) {
    const TProtok f = versionFrame("102B1AB");
    EXPECT_EQ(ProgramVersionFromFrame(f), QStringLiteral("1.02.B1 AB"));
    EXPECT_EQ(FirmwareLevelFromFrame(f), 3);
    EXPECT_EQ(FirmwareLevelPanelText(3), QStringLiteral("03"));
    EXPECT_EQ(FirmwareLevelPanelText(0), QString());
    EXPECT_EQ(PeTrackBarMax(0), 7);
    EXPECT_EQ(PeTrackBarMax(1), 9);
}

TEST(Identification, SerialNumberLowNibbleFirst) {
    EXPECT_EQ(SerialNumberFromFrame(frameWith(MsgQuerySerialNumber, {0x21, 0x43, 0x65, 0x87, 0x09})),
              QStringLiteral("1234567890"));
    // Nibbles above 9 give the characters after "9".
    EXPECT_EQ(SerialNumberFromFrame(frameWith(MsgQuerySerialNumber, {0xAB})), QStringLiteral(";:00000000"));
}

TEST(Identification, RequestsAreRetriedThreeTimesWhileConnected) {
    ScriptedLink link;
    link.frames = {std::nullopt, std::nullopt,
                   frameWith(MsgQuerySerialNumber, {0x21, 0x43, 0x65, 0x87, 0x09})};
    EXPECT_EQ(GetSerialNumber(link), QStringLiteral("1234567890"));
    EXPECT_EQ(link.requests.size(), 3u);

    ScriptedLink silent;
    EXPECT_EQ(GetSerialNumber(silent), QString());
    EXPECT_EQ(silent.requests.size(), 3u);
    const TProgramVersion v = GetProgramVersion(silent);
    EXPECT_FALSE(v.Answered);
    EXPECT_FALSE(v.LinkLost);
    EXPECT_EQ(v.FirmwareLevel, 0);
    EXPECT_EQ(silent.requests.size(), 6u);
    for (const auto& r : silent.requests)
        EXPECT_EQ(r.timeout, silent.ramMs) << "identification waits class R: $" << std::hex << int(r.sub);
}

TEST(Identification, ClosedPortStopsTheAttempts) {
    ScriptedLink link;
    link.whileWaiting = [&](const FakeTesterLink::Request&) { link.connected = false; };
    const TProgramVersion v = GetProgramVersion(link);
    EXPECT_TRUE(v.LinkLost);
    EXPECT_EQ(link.requests.size(), 1u);
    link.requests.clear();
    EXPECT_EQ(GetSerialNumber(link), QString());
    EXPECT_TRUE(link.requests.empty());
}
