#pragma once

#include "serial/Cate32.h"
#include "serial/SyncBus.h"
#include "tester/TesterLink.h"

#include <string>

// The main window's port component, bus and gate, and the program's link to the tester over
// them, as the record windows receive it.
class PortMainWindow {
public:
    // Every port opens device, the tester double's side of a pseudo-terminal, say.
    PortMainWindow() {
        cate.SetCommOpener(
            [this](int, platform::CommOpenStatus& status) { return platform::openCommPath(device, status); });
    }

    std::string device;
    TCate cate;
    TSynchroBus bus;
    TExchangeGate gate;
    TTesterLink link{bus, gate, {[this] { return cate.Port() != TPort::NoPort; }, {}, {}}};
};
