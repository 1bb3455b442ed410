#pragma once

#include "platform/comm_port.h"

#include <QString>

#include <string>

// Where a port's device is configured: section [Ports], keys COM1 .. COM8.
inline const QString& PortMapSection() {
    static const QString section = QStringLiteral("Ports");
    return section;
}

// The device of COM<port>: the environment's GERAETETESTER_COM<port> when set (the tester
// double's pseudo-terminal, say), else the configured device, else /dev/ttyS<port-1>.
std::string PortDevicePath(int port, const std::string& configured);

// The message when COM<port> does not open: which device was tried, why it failed and where that
// device is set (the environment variable that gave it, else the configuration file iniFileName).
QString PortOpenFailureText(int port, const platform::CommOpenStatus& status, const QString& iniFileName);
