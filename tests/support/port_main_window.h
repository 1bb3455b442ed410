#pragma once

#include "records/MainWindowAccess.h"
#include "serial/Cate32.h"
#include "serial/SyncBus.h"
#include "tester/TesterSettings.h"

#include <QString>

#include <string>

// The main window as the record windows need it, over a real port component and bus.
class PortMainWindow : public IMainWindowAccess {
public:
    // Every port opens device, the tester double's side of a pseudo-terminal, say.
    PortMainWindow() {
        cate.SetCommOpener(
            [this](int, platform::CommOpenStatus& status) { return platform::openCommPath(device, status); });
    }

    bool Connected() const override { return cate.Port() != TPort::NoPort; }
    TSynchroBus& SynchroBus() override { return bus; }
    TExchangeGate& ExchangeGate() override { return gate; }
    QString TesterSerialNumber() const override { return serialNumber; }

    std::string device;
    TCate cate;
    TSynchroBus bus;
    TExchangeGate gate;
    QString serialNumber = QStringLiteral("0987654321");
};
