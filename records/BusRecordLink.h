#pragma once

#include "records/RecordRetrieval.h"

class IMainWindowAccess;

// The retrieval's requests over the main window's bus, with the configured answer time-outs.
class TBusRecordLink : public IRecordLink {
public:
    explicit TBusRecordLink(IMainWindowAccess& mainWindow) : mainWindow_(mainWindow) {}
    bool Connected() const override;
    uint32_t AnswerTimeout(TTimeoutClass c) const override;
    bool RequestMsg(uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs, TProtok& Answer) override;
    bool RequestOnce(uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs, TProtok& Answer) override;

private:
    IMainWindowAccess& mainWindow_;
};
