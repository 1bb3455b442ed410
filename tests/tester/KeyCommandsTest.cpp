#include "tester/KeyCommands.h"
#include "tester/LiveDisplay.h"

#include "platform/message_box.h"
#include "tests/support/FakeTesterLink.h"

#include <gtest/gtest.h>

namespace {

using Bytes = FakeTesterLink::Bytes;
using Events = std::vector<std::string>;

class Keys : public testing::Test {
protected:
    FakeTesterLink link;
    TExchangeGate& gate = link.gate; // the link's, as in the program
    TTesterSettings settings{link};
    TLiveState state;
    TKeyCommands keys{state, link, settings};

    struct Asked {
        QString text;
        platform::MessageButtons buttons;
        platform::MessageIcon icon;
    };
    std::vector<Asked> asked;
    platform::MessageResult answer = platform::MessageResult::No;

    void SetUp() override {
        link.block.d = {0x05, 0x04, 0x01, 30, 0x00, 0x80, 0x00, 0x00};
        platform::setMessageBoxHandler(
            [this](const QString& text, platform::MessageButtons b, platform::MessageIcon i) {
                asked.push_back({text, b, i});
                return answer;
            });
    }
    void TearDown() override { platform::setMessageBoxHandler(nullptr); }

    void Ticks(int n) {
        for (int i = 0; i < n; ++i)
            keys.Timer1Tick();
    }
};

TEST_F(Keys, StartSendsAbortTwiceThenStart) {
    EXPECT_TRUE(keys.BitBtn1Click());
    EXPECT_EQ(link.commands(), (Bytes{2, 2, 1}));
    EXPECT_EQ(link.events.front(), "pause");
    EXPECT_EQ(link.events.back(), "resume");
    // Each command is its own read-modify-write and keeps the rest of the block.
    for (const auto& w : link.writes())
        EXPECT_EQ(Bytes(w.data.begin(), w.data.begin() + 7), (Bytes{0x05, 0x04, 0x01, 30, 0x00, 0x80, 0x00}));
    EXPECT_EQ(link.requests.size(), 6u);
}

TEST_F(Keys, ContinueAndAbortSendOneCommandEach) {
    keys.BitBtn2Click();
    EXPECT_EQ(link.commands(), (Bytes{1}));
    link.clear();
    keys.BitBtn3Click();
    EXPECT_EQ(link.commands(), (Bytes{2}));
    EXPECT_EQ(link.events, (Events{"pause", "pause", "$34", "$66", "resume", "resume"}));
}

TEST_F(Keys, ClearMemoryAsksFirst) {
    answer = platform::MessageResult::No;
    EXPECT_FALSE(keys.BitBtn5Click());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text.toUtf8(), QByteArray("Sollen die im Ger\xC3\xA4tetester gespeicherten Pr\xC3\xBC"
                                                 "fungsdaten wirklich gel\xC3\xB6scht werden?"));
    EXPECT_EQ(asked[0].buttons, platform::MessageButtons::YesNo);
    EXPECT_EQ(asked[0].icon, platform::MessageIcon::Exclamation);
    EXPECT_TRUE(link.events.empty());

    answer = platform::MessageResult::Yes;
    link.level = 0;
    EXPECT_TRUE(keys.BitBtn5Click());
    EXPECT_EQ(link.commands(), (Bytes{16}));
    link.clear();
    link.level = 1;
    keys.BitBtn5Click();
    EXPECT_EQ(link.commands(), (Bytes{16, 2}));
}

TEST_F(Keys, ClearMemorySendsNothingWhenTheTesterWentAwayDuringTheQuestion) {
    answer = platform::MessageResult::Yes;
    platform::setMessageBoxHandler([this](const QString&, platform::MessageButtons, platform::MessageIcon) {
        link.connected = false;
        return answer;
    });
    EXPECT_FALSE(keys.BitBtn5Click());
    EXPECT_TRUE(link.events.empty());
}

TEST_F(Keys, KeysDoNothingWhileDisconnected) {
    link.connected = false;
    answer = platform::MessageResult::Yes;
    EXPECT_FALSE(keys.BitBtn1Click());
    EXPECT_FALSE(keys.BitBtn2Click());
    EXPECT_FALSE(keys.BitBtn3Click());
    EXPECT_FALSE(keys.BitBtn5Click());
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(link.events.empty());
}

TEST_F(Keys, KeysClickedDuringAnExchangeRunAfterItInTheOrderClicked) {
    std::vector<bool> results;
    link.whileWaiting = [&](const FakeTesterLink::Request&) {
        link.whileWaiting = nullptr;
        results = {keys.BitBtn3Click(), keys.BitBtn5Click(), keys.BitBtn1Click()};
        EXPECT_TRUE(asked.empty()) << "the question waits for its turn";
    };
    answer = platform::MessageResult::Yes;
    keys.BitBtn2Click();
    EXPECT_EQ(results, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(link.commands(), (Bytes{1, 2, 16, 2, 2, 2, 1}));
    EXPECT_EQ(link.events.back(), "resume");
}

TEST_F(Keys, HoldCounterWaitsWhileAChangeWaitsForItsWrite) {
    state.SettingsHold = 2;
    {
        TExchangeGate::TScope other(gate);
        gate.Perform(1, [] {});
        Ticks(5);
        EXPECT_EQ(state.SettingsHold, 2);
    }
    Ticks(5);
    EXPECT_EQ(state.SettingsHold, 0);
}

TEST_F(Keys, HoldCounterRunsDownToZero) {
    state.SettingsHold = 2;
    Ticks(1);
    EXPECT_EQ(state.SettingsHold, 1);
    Ticks(5);
    EXPECT_EQ(state.SettingsHold, 0);
}

TEST_F(Keys, CountdownEnablesStartAndSendsCommand40) {
    keys.StartCountdownAtConnect();
    Ticks(7);
    EXPECT_FALSE(state.Display.BitBtn1Enabled);
    EXPECT_TRUE(link.events.empty());
    Ticks(1);
    EXPECT_TRUE(state.Display.BitBtn1Enabled);
    ASSERT_EQ(link.writes().size(), 1u);
    EXPECT_EQ(link.writes()[0].data, (Bytes{0x05, 0x04, 0x01, 30, 0x00, 0x80, 0x00, 0x40}));
    Ticks(50);
    EXPECT_EQ(link.writes().size(), 1u);
}

TEST_F(Keys, CountdownOfZeroOrWithTheButtonEnabledChangesNothing) {
    Ticks(3);
    EXPECT_FALSE(state.Display.BitBtn1Enabled);
    state.Display.BitBtn1Enabled = true;
    state.StartCountdown = 2;
    Ticks(3);
    EXPECT_EQ(state.StartCountdown, 2);
    EXPECT_TRUE(link.events.empty());
}

TEST_F(Keys, CountdownWaitsForTheTickAfterARunningExchange) {
    state.StartCountdown = 1;
    {
        TExchangeGate::TScope other(gate);
        Ticks(3);
        EXPECT_FALSE(state.Display.BitBtn1Enabled);
        EXPECT_EQ(state.StartCountdown, 1);
    }
    EXPECT_TRUE(link.events.empty());
    Ticks(1);
    EXPECT_TRUE(state.Display.BitBtn1Enabled);
    EXPECT_EQ(link.commands(), (Bytes{0x40}));
}

// A whole test as the window sees it: connect, start, two steps in single-step sequence, idle.
TEST_F(Keys, WholeTestSequence) {
    TWerteSatz ws;
    TLiveDisplay live(state, ws, link, settings);
    const TLiveDisplayState& s = state.Display;
    auto sequence = [&](uint8_t step) {
        live.ApplySequenceFlags(TesterFrame(MsgQuerySequenceFlags, {0, step}));
    };
    auto flags = [&](uint8_t d0) { live.ApplyFlags(TesterFrame(MsgQueryFlags, {d0, 0, 1, 30, 0, 0, 0, 0})); };

    keys.StartCountdownAtConnect();
    flags(0x04);
    sequence(0);
    EXPECT_EQ(state.StartCountdown, 8) << "the connect countdown runs on";
    Ticks(8);
    EXPECT_TRUE(s.BitBtn1Enabled);
    EXPECT_TRUE(s.BitBtn4Enabled && s.BitBtn5Enabled);
    EXPECT_FALSE(s.BitBtn2Enabled || s.BitBtn3Enabled);

    link.clear();
    keys.BitBtn1Click();
    EXPECT_EQ(link.commands(), (Bytes{2, 2, 1}));
    sequence(1);
    EXPECT_FALSE(s.BitBtn1Enabled);
    EXPECT_TRUE(s.BitBtn2Enabled && s.BitBtn3Enabled);
    EXPECT_FALSE(s.BitBtn4Enabled || s.BitBtn5Enabled);
    EXPECT_EQ(s.StepName, "Schutzleiter-\r\nwiderstand");

    link.clear();
    keys.BitBtn2Click();
    EXPECT_EQ(link.commands(), (Bytes{1}));
    sequence(2);
    Ticks(50);
    EXPECT_FALSE(s.BitBtn1Enabled) << "no countdown while a step runs";

    sequence(0);
    EXPECT_EQ(s.StepName, "Ruhezustand");
    EXPECT_TRUE(s.BitBtn4Enabled && s.BitBtn5Enabled);
    EXPECT_FALSE(s.BitBtn2Enabled || s.BitBtn3Enabled);
    link.clear();
    Ticks(37);
    EXPECT_FALSE(s.BitBtn1Enabled);
    Ticks(1);
    EXPECT_TRUE(s.BitBtn1Enabled);
    EXPECT_EQ(link.commands(), (Bytes{0x40}));
}

} // namespace
