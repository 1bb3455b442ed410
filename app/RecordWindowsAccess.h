#pragma once

#include "records/MainWindowAccess.h"

class TForm1;

// The main window as the record windows see it.
class TMainWindowRecordAccess : public IMainWindowAccess {
public:
    explicit TMainWindowRecordAccess(TForm1& form) : form_(form) {}

    bool Connected() const override;
    TSynchroBus& SynchroBus() override;
    TExchangeGate& ExchangeGate() override;
    QString TesterSerialNumber() const override;

private:
    TForm1& form_;
};
