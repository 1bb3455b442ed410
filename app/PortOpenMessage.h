#pragma once

#include "platform/comm_port.h"

#include <QString>

// Where a port's device is configured: section [Ports], keys COM1 .. COM8.
inline const QString& PortMapSection() {
    static const QString section = QStringLiteral("Ports");
    return section;
}

// The message when COM<port> does not open: which device was tried and why it failed.
// iniFileName: the configuration file that maps the port to its device.
QString PortOpenFailureText(int port, const platform::CommOpenStatus& status, const QString& iniFileName);
