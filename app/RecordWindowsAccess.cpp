#include "app/RecordWindowsAccess.h"

#include "app/MainForm.h"
#include "tester/Globals.h"

bool TMainWindowRecordAccess::Connected() const {
    return form_.IsConnected();
}

TSynchroBus& TMainWindowRecordAccess::SynchroBus() {
    return *form_.SynchroBus1;
}

TExchangeGate& TMainWindowRecordAccess::ExchangeGate() {
    return form_.ExchangeGate;
}

QString TMainWindowRecordAccess::TesterSerialNumber() const {
    return form_.IsConnected() ? Globals::TesterSerialNumber : QString();
}
