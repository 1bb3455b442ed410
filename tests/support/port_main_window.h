#pragma once

#include "app/TesterSettings.h"
#include "records/MainWindowAccess.h"
#include "serial/Cate32.h"
#include "serial/SyncBus.h"

#include <QString>

// The main window as the record windows need it, over a real port component and bus.
class PortMainWindow : public IMainWindowAccess {
public:
    bool Connected() const override { return cate.Port() != TPort::NoPort; }
    TSynchroBus& SynchroBus() override { return bus; }
    TExchangeGate& ExchangeGate() override { return gate; }
    QString TesterSerialNumber() const override { return serialNumber; }

    TCate cate;
    TSynchroBus bus;
    TExchangeGate gate;
    QString serialNumber = QStringLiteral("0987654321");
};
