#pragma once

#include <QString>

class TExchangeGate;
class TSynchroBus;

// What the record windows need of the main window. TForm1 implements it; tests use a fake
// over the tester double. The operator name comes from Globals::Operator.
class IMainWindowAccess {
public:
    virtual ~IMainWindowAccess() = default;
    // The port component has a port open (Form1.Cate1.Port is not NoPort).
    virtual bool Connected() const = 0;
    // The main window's bus component, Form1.SynchroBus1.
    virtual TSynchroBus& SynchroBus() = 0;
    // One synchronous exchange with the tester at a time, program-wide.
    virtual TExchangeGate& ExchangeGate() = 0;
    // The connected tester's ten-digit serial number; empty when disconnected.
    virtual QString TesterSerialNumber() const = 0;
};
