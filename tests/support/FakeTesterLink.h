#pragma once

#include "tester/TesterSettings.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// A tester at the other end of the link: answers $34 with its settings block and $3A with its
// sequence bytes, and takes what $66 and $68 write as its new state.
class FakeTesterLink : public ITesterLink {
public:
    using Bytes = std::vector<uint8_t>;
    struct Request {
        uint8_t sub;
        Bytes data;
    };

    bool connected = true;
    int level = 3;
    TesterSettingsBlock block;
    Bytes sequence = Bytes(8, 0); // d2..d4 the limit indices
    bool answers = true;
    // Runs while a request waits for the tester, as the event loop would run timers and clicks.
    std::function<void(const Request&)> whileWaiting;

    std::vector<Request> requests;
    std::vector<std::string> events;

    bool Connected() const override { return connected; }
    int FirmwareLevel() const override { return level; }
    uint32_t AnswerTimeout(TTimeoutClass) const override { return 300; }
    bool RequestMsg(uint8_t Sub, const TMsgData& Data, uint32_t, TProtok& Answer) override {
        requests.push_back({Sub, Bytes(Data.begin(), Data.end())});
        char name[8];
        std::snprintf(name, sizeof name, "$%02X", Sub);
        events.push_back(name);
        if (whileWaiting) {
            auto hook = whileWaiting; // the hook may issue requests of its own
            hook(requests.back());
        }
        if (!answers)
            return false;
        const Bytes data(Data.begin(), Data.end());
        if (Sub == MsgSetSettings)
            for (size_t i = 0; i < 8; ++i)
                block.d[i] = i < data.size() ? data[i] : 0;
        if (Sub == MsgSetLimitIndices)
            for (size_t i = 0; i < 3 && i < data.size(); ++i)
                sequence[2 + i] = data[i];
        Answer.fill(0);
        Answer[0] = 'S';
        Answer[1] = MsgIdTester;
        Answer[3] = Sub;
        if (Sub == MsgQueryFlags)
            for (size_t i = 0; i < 8; ++i)
                Answer[4 + i] = block.d[i];
        if (Sub == MsgQuerySequenceFlags)
            for (size_t i = 0; i < 8; ++i)
                Answer[4 + i] = sequence[i];
        return true;
    }
    void PauseRefresh() override { events.push_back("pause"); }
    void ResumeRefresh() override { events.push_back("resume"); }

    // The blocks and limit indices written, in order.
    std::vector<Request> writes() const {
        std::vector<Request> w;
        for (const auto& r : requests)
            if (r.sub == MsgSetSettings || r.sub == MsgSetLimitIndices)
                w.push_back(r);
        return w;
    }
    // The command bytes d7 of the settings blocks written.
    Bytes commands() const {
        Bytes c;
        for (const auto& r : writes())
            if (r.sub == MsgSetSettings)
                c.push_back(r.data.size() > 7 ? r.data[7] : 0);
        return c;
    }
    void clear() {
        requests.clear();
        events.clear();
    }
};

// A tester frame of a code with data bytes d0.. .
inline TProtok TesterFrame(uint8_t code, std::initializer_list<uint8_t> data) {
    TProtok f{};
    f[0] = 'S';
    f[1] = MsgIdTester;
    f[3] = code;
    size_t i = 4;
    for (uint8_t b : data)
        f[i++] = b;
    return f;
}
