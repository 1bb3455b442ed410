#include "records/BusRecordLink.h"

#include "records/MainWindowAccess.h"
#include "tester/Globals.h"

bool TBusRecordLink::Connected() const {
    return mainWindow_.Connected();
}

uint32_t TBusRecordLink::AnswerTimeout(TTimeoutClass c) const {
    switch (c) {
    case TTimeoutClass::tcRam:
        return Globals::AnswerTimeoutRAM();
    case TTimeoutClass::tcReadEeprom:
        return Globals::AnswerTimeoutReadEEPROM();
    case TTimeoutClass::tcWriteEeprom:
        return Globals::AnswerTimeoutWriteEEPROM();
    }
    return Globals::AnswerTimeoutRAM();
}

bool TBusRecordLink::RequestMsg(uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs, TProtok& Answer) {
    return mainWindow_.SynchroBus().RequestMsg(MsgIdPc, Sub, Data, ByteSet({MsgIdTester}), ByteSet({Sub}),
                                               TimeoutMs, Answer);
}

bool TBusRecordLink::RequestOnce(uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs, TProtok& Answer) {
    return mainWindow_.SynchroBus().RequestOnce(MsgIdPc, Sub, Data, ByteSet({MsgIdTester}), ByteSet({Sub}),
                                                TimeoutMs, Answer);
}
