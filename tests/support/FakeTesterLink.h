#pragma once

#include "tester/TesterLink.h"
#include "tester/TesterSettings.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// A tester at the other end of the link: answers $34 with its settings block and $3A with its
// sequence bytes, and takes what $66 and $68 write as its new state. Its record memory answers
// $33 with the count and $20..$24 with the parts of the current record; $70 "T" presents the
// first record, "S" the next, "C" clears them all. Any other request gets a frame of its own
// code. A test that plays another tester derives and answers in Respond.
class FakeTesterLink : public ITesterLink {
public:
    using Bytes = std::vector<uint8_t>;
    struct Request {
        uint8_t sub;
        Bytes data;
        uint32_t timeout = 0;
        bool once = false; // a single attempt
    };
    // Parts 1 to 5 of a stored record.
    using Record = std::array<std::array<uint8_t, 8>, 5>;

    bool connected = true;
    int level = 3;
    QString serialNumber = QStringLiteral("1234567890");
    // The answer time-outs of classes R, E and W, the configuration's defaults.
    uint32_t ramMs = 300, readEepromMs = 800, writeEepromMs = 1200;
    TExchangeGate gate;

    TesterSettingsBlock block;
    Bytes sequence = Bytes(8, 0); // d2..d4 the limit indices
    std::vector<Record> records;
    size_t currentRecord = 0; // the record "T" and "S" present

    bool answers = true;       // false: the tester stays silent
    std::deque<bool> answered; // per request, before the rest decides; answered once it runs out
    // Requests (by their name in events) that get no answer.
    std::function<bool(const std::string& name)> fails;
    // Runs while a request waits for the tester, as the event loop would run timers and clicks.
    std::function<void(const Request&)> whileWaiting;

    std::vector<Request> requests;
    // Frames sent without awaiting an answer, queued or straight to the port.
    std::vector<Request> sent;
    // The requests by code ("$34"; $70 by its function: "T", "S", "C"), "pause" and "resume".
    std::vector<std::string> events;

    bool Connected() const override { return connected; }
    int FirmwareLevel() const override { return level; }
    QString TesterSerialNumber() const override { return connected ? serialNumber : QString(); }
    uint32_t AnswerTimeout(TTimeoutClass c) const override {
        return c == TTimeoutClass::tcRam          ? ramMs
               : c == TTimeoutClass::tcReadEeprom ? readEepromMs
                                                  : writeEepromMs;
    }
    bool RequestMsg(uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs, TProtok& Answer) override {
        return Exchange({Sub, Bytes(Data.begin(), Data.end()), TimeoutMs, false}, Answer);
    }
    bool RequestOnce(uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs, TProtok& Answer) override {
        return Exchange({Sub, Bytes(Data.begin(), Data.end()), TimeoutMs, true}, Answer);
    }
    bool SendMsg(uint8_t Sub, const TMsgData& Data) override {
        sent.push_back({Sub, Bytes(Data.begin(), Data.end())});
        return connected;
    }
    bool SendMsgNow(uint8_t Sub, const TMsgData& Data) override {
        sent.push_back({Sub, Bytes(Data.begin(), Data.end())});
        return connected;
    }
    void PauseRefresh() override { events.push_back("pause"); }
    void ResumeRefresh() override { events.push_back("resume"); }
    TExchangeGate& ExchangeGate() override { return gate; }

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
    size_t count(const std::string& event) const { return std::count(events.begin(), events.end(), event); }
    void clear() {
        requests.clear();
        sent.clear();
        events.clear();
    }

    static std::string NameOf(const Request& r) {
        if (r.sub == MsgEepromFunction && r.data.size() == 1)
            return std::string(1, static_cast<char>(r.data[0]));
        char name[8];
        std::snprintf(name, sizeof name, "$%02X", r.sub);
        return name;
    }

protected:
    // The tester's answer to a request that reached it; Answer comes as a frame of the
    // request's code without data. False: no answer.
    virtual bool Respond(const Request& r, TProtok& Answer) {
        const Bytes& data = r.data;
        switch (r.sub) {
        case MsgQueryFlags:
            std::copy(block.d.begin(), block.d.end(), Answer.begin() + 4);
            break;
        case MsgQuerySequenceFlags:
            for (size_t i = 0; i < 8 && i < sequence.size(); ++i)
                Answer[4 + i] = sequence[i];
            break;
        case MsgSetSettings:
            for (size_t i = 0; i < 8; ++i)
                block.d[i] = i < data.size() ? data[i] : 0;
            break;
        case MsgSetLimitIndices:
            for (size_t i = 0; i < 3 && i < data.size(); ++i)
                sequence[2 + i] = data[i];
            break;
        case MsgQueryRecordCount:
            Answer[4] = static_cast<uint8_t>(records.size() & 0xFF);
            Answer[5] = static_cast<uint8_t>(records.size() >> 8);
            Answer[6] = 0x55; // free bytes, not a count
            break;
        case MsgReadRecordPart1:
        case MsgReadRecordPart2:
        case MsgReadRecordPart3:
        case MsgReadRecordPart4:
        case MsgReadRecordPart5:
            if (currentRecord < records.size()) {
                const auto& part = records[currentRecord][r.sub - MsgReadRecordPart1];
                std::copy(part.begin(), part.end(), Answer.begin() + 4);
            }
            break;
        case MsgEepromFunction:
            if (data == Bytes{'T'}) {
                currentRecord = 0;
            } else if (data == Bytes{'S'}) {
                ++currentRecord;
            } else if (data == Bytes{'C'}) {
                records.clear();
                currentRecord = 0;
            }
            break;
        }
        return true;
    }

private:
    bool Exchange(const Request& request, TProtok& Answer) {
        requests.push_back(request);
        const std::string name = NameOf(request);
        events.push_back(name);
        if (whileWaiting) {
            auto hook = whileWaiting; // the hook may issue requests of its own
            hook(request);
        }
        if (!answers)
            return false;
        if (!answered.empty()) {
            const bool ok = answered.front();
            answered.pop_front();
            if (!ok)
                return false;
        }
        if (fails && fails(name))
            return false;
        Answer.fill(0);
        Answer[0] = 'S';
        Answer[1] = MsgIdTester;
        Answer[3] = request.sub;
        return Respond(request, Answer);
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
