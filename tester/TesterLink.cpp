#include "tester/TesterLink.h"

#include "tester/Globals.h"

bool TExchangeGate::Perform(int key, TAction action) {
    const bool now = !busy_ && !running_ && waiting_.empty();
    Enqueue(key, std::move(action));
    RunWaiting();
    return now;
}

void TExchangeGate::Post(int key, TAction action) {
    Enqueue(key, std::move(action));
    // A running exchange or action takes it up when it ends.
    if (!busy_ && !running_)
        Schedule();
}

void TExchangeGate::Enqueue(int key, TAction action) {
    if (key != 0)
        std::erase_if(waiting_, [key](const auto& w) { return w.first == key; });
    waiting_.emplace_back(key, std::move(action));
}

void TExchangeGate::Schedule() {
    if (scheduler_)
        scheduler_([this] { RunWaiting(); });
    else
        RunWaiting();
}

void TExchangeGate::Release() {
    busy_ = false;
    // A running action's own loop takes the next one.
    if (waiting_.empty() || running_)
        return;
    Schedule();
}

void TExchangeGate::RunWaiting() {
    if (running_)
        return;
    struct TRunning {
        bool& flag;
        explicit TRunning(bool& f) : flag(f) { flag = true; }
        ~TRunning() { flag = false; }
    } running(running_);
    while (!busy_ && !waiting_.empty()) {
        TAction action = std::move(waiting_.front().second);
        waiting_.pop_front();
        action();
    }
}

bool TTesterLink::Connected() const {
    return window_.Connected && window_.Connected();
}

int TTesterLink::FirmwareLevel() const {
    return Globals::FirmwareLevel;
}

QString TTesterLink::TesterSerialNumber() const {
    return Connected() ? Globals::TesterSerialNumber : QString();
}

uint32_t TTesterLink::AnswerTimeout(TTimeoutClass c) const {
    switch (c) {
    case TTimeoutClass::tcReadEeprom:
        return Globals::AnswerTimeoutReadEEPROM();
    case TTimeoutClass::tcWriteEeprom:
        return Globals::AnswerTimeoutWriteEEPROM();
    case TTimeoutClass::tcRam:
        break;
    }
    return Globals::AnswerTimeoutRAM();
}

bool TTesterLink::RequestMsg(uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs, TProtok& Answer) {
    return RequestTesterMsg(bus_, Sub, Data, TimeoutMs, Answer);
}

bool TTesterLink::RequestOnce(uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs, TProtok& Answer) {
    return bus_.RequestOnce(MsgIdPc, Sub, Data, ByteSet({MsgIdTester}), ByteSet({Sub}), TimeoutMs, Answer);
}

bool TTesterLink::SendMsg(uint8_t Sub, const TMsgData& Data) {
    return bus_.SendMsg(MsgIdPc, Sub, Data);
}

bool TTesterLink::SendMsgNow(uint8_t Sub, const TMsgData& Data) {
    return bus_.CateSendMsg(MsgIdPc, Sub, Data);
}

void TTesterLink::PauseRefresh() {
    if (window_.PauseRefresh)
        window_.PauseRefresh();
}

void TTesterLink::ResumeRefresh() {
    if (window_.ResumeRefresh)
        window_.ResumeRefresh();
}
