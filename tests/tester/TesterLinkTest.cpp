#include "tester/TesterLink.h"
#include "tester/Globals.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// The link the window builds on its bus: the frames that reach the port.
namespace {

class CapturePort : public TBusPort {
public:
    std::vector<Bytes> sent;
    Bytes reply; // the tester's answer to each frame, as raw bytes
    bool SendData(const uint8_t* buffer, uint16_t count) override {
        sent.emplace_back(buffer, buffer + count);
        if (!reply.empty() && OnReceiveBData())
            OnReceiveBData()(reply.data(), static_cast<uint16_t>(reply.size()));
        return true;
    }
};

Bytes testerFrame(uint8_t id, uint8_t code, Bytes data) {
    data.resize(8);
    unsigned sum = code;
    for (uint8_t b : data)
        sum += b;
    Bytes f{'S', id, uint8_t(sum), code};
    for (uint8_t b : data)
        f.push_back(b);
    return f;
}

} // namespace

TEST(BusRequest, OnlyATesterFrameWithTheRequestsCodeAnswers) {
    TSynchroBus bus;
    CapturePort port;
    bus.SetCate(&port);
    bus.SetMsgTimeOut(5);
    TProtok answer{};
    port.reply = testerFrame(MsgIdTester, MsgSetSettings, {});
    ASSERT_TRUE(RequestTesterMsg(bus, MsgSetSettings, std::string("\x05\x00\x09", 3), 20, answer));
    ASSERT_EQ(port.sent.size(), 1u);
    EXPECT_EQ(port.sent[0], (Bytes{'S', MsgIdPc, 0x74, 0x66, 0x05, 0x00, 0x09, 0, 0, 0, 0, 0}))
        << "a trimmed block goes out as the full eight bytes";
    EXPECT_EQ(answer[3], MsgSetSettings);

    port.sent.clear();
    port.reply = testerFrame(MsgIdPc, MsgQueryFlags, {1});
    EXPECT_FALSE(RequestTesterMsg(bus, MsgQueryFlags, TMsgData(), 10, answer)) << "wrong Id";
    port.reply = testerFrame(MsgIdTester, MsgQuerySequenceFlags, {1});
    EXPECT_FALSE(RequestTesterMsg(bus, MsgQueryFlags, TMsgData(), 10, answer)) << "wrong code";
    bus.SetCate(nullptr);
}

TEST(TesterLink, EachClassWaitsItsConfiguredTimeAndAnyOtherThatOfR) {
    TSynchroBus bus;
    TExchangeGate gate;
    TTesterLink link(bus, gate, {});
    Globals::MessageAnswerRAM = 310;
    Globals::MessageAnswerReadEEPROM = 820;
    Globals::MessageAnswerWriteEEPROM = 1230;
    EXPECT_EQ(link.AnswerTimeout(TTimeoutClass::tcRam), 310u);
    EXPECT_EQ(link.AnswerTimeout(TTimeoutClass::tcReadEeprom), 820u);
    EXPECT_EQ(link.AnswerTimeout(TTimeoutClass::tcWriteEeprom), 1230u);
    EXPECT_EQ(link.AnswerTimeout(static_cast<TTimeoutClass>(3)), 310u);
    Globals::MessageAnswerWriteEEPROM = -1;
    EXPECT_EQ(link.AnswerTimeout(TTimeoutClass::tcWriteEeprom), 0u) << "not a wait of 49 days";
}

TEST(TesterLink, ASingleAttemptGoesOutOnceAndTheWindowSaysWhetherThePortIsOpen) {
    TSynchroBus bus;
    CapturePort port;
    bus.SetCate(&port);
    bus.SetMsgTimeOut(5);
    TExchangeGate gate;
    bool open = false;
    std::vector<std::string> refresh;
    TTesterLink link(
        bus, gate,
        {[&] { return open; }, [&] { refresh.push_back("pause"); }, [&] { refresh.push_back("resume"); }});
    Globals::TesterSerialNumber = QStringLiteral("1234567890");
    EXPECT_FALSE(link.Connected());
    EXPECT_EQ(link.TesterSerialNumber(), QString()) << "none while the port is closed";
    open = true;
    EXPECT_EQ(link.TesterSerialNumber(), QStringLiteral("1234567890"));
    link.PauseRefresh();
    link.ResumeRefresh();
    EXPECT_EQ(refresh, (std::vector<std::string>{"pause", "resume"}));
    EXPECT_EQ(&link.ExchangeGate(), &gate);

    TProtok answer{};
    port.reply = testerFrame(MsgIdTester, MsgEepromFunction, {});
    ASSERT_TRUE(link.RequestOnce(MsgEepromFunction, "S", 20, answer));
    EXPECT_EQ(port.sent, (std::vector<Bytes>{{'S', MsgIdPc, 0xC3, 0x70, 'S', 0, 0, 0, 0, 0, 0, 0}}));
    port.sent.clear();
    port.reply = testerFrame(MsgIdTester, MsgQueryFlags, {});
    EXPECT_FALSE(link.RequestOnce(MsgEepromFunction, "S", 20, answer));
    EXPECT_EQ(port.sent.size(), 1u) << "never repeated";
    bus.SetCate(nullptr);
}

// The refresh and the autosend orders await no answer: they wait for the deadline of the frame
// before, except the last one before the port closes, which goes out at once.
TEST(TesterLink, AFrameWithoutAnswerWaitsItsTurnUnlessSentNow) {
    TSynchroBus bus;
    CapturePort port;
    bus.SetCate(&port);
    bus.SetMsgTimeOut(60000);
    TExchangeGate gate;
    TTesterLink link(bus, gate, {});
    EXPECT_TRUE(link.SendMsg(MsgSetAutosend, TMsgData{'\x02', '\x01'}));
    EXPECT_EQ(port.sent, (std::vector<Bytes>{{'S', MsgIdPc, 0x6A, 0x67, 0x02, 0x01, 0, 0, 0, 0, 0, 0}}));
    EXPECT_FALSE(link.SendMsg(MsgQueryFlags, TMsgData())) << "waits for the first one's deadline";
    EXPECT_EQ(port.sent.size(), 1u);
    EXPECT_EQ(bus.QueuedCount(), 1u);
    EXPECT_TRUE(link.SendMsgNow(MsgSetAutosend, TMsgData(1, '\0')));
    ASSERT_EQ(port.sent.size(), 2u);
    EXPECT_EQ(port.sent[1], (Bytes{'S', MsgIdPc, 0x67, 0x67, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(bus.QueuedCount(), 1u);
    bus.SetCate(nullptr);
}
