#include "app/PortOpenMessage.h"

#include <QFileInfo>

#include <cstdlib>

namespace {

std::string portVariable(int port) {
    return "GERAETETESTER_COM" + std::to_string(port);
}

// The device the environment gives COM<port>; empty when it gives none.
std::string environmentDevice(int port) {
    const char* value = std::getenv(portVariable(port).c_str());
    return value ? value : "";
}

// Said with every failure that a different device may cure: where the device was taken from.
QString whereThePortIsSet(int port, const std::string& device, const QString& iniFileName) {
    const QString com = QStringLiteral("COM%1").arg(port);
    if (const std::string given = environmentDevice(port); !given.empty() && given == device)
        return QStringLiteral(" Welches Gerät zu %1 gehört, bestimmt die Umgebungsvariable %2.")
            .arg(com, QString::fromStdString(portVariable(port)));
    return QStringLiteral(
               " Welches Gerät zu %1 gehört, steht in der Konfigurationsdatei %2 im Abschnitt [%3].")
        .arg(com, QFileInfo(iniFileName).absoluteFilePath(), PortMapSection());
}

} // namespace

std::string PortDevicePath(int port, const std::string& configured) {
    if (std::string device = environmentDevice(port); !device.empty())
        return device;
    return platform::commDevicePath(port, configured);
}

QString PortOpenFailureText(int port, const platform::CommOpenStatus& status, const QString& iniFileName) {
    using platform::CommOpenError;
    const QString com = QStringLiteral("COM%1").arg(port);
    if (status.device.empty())
        return QStringLiteral("Die Schnittstelle %1 gibt es nicht. Wählen Sie COM1 bis COM8.").arg(com);
    QString text = QStringLiteral("Die Schnittstelle %1 (%2) kann nicht geöffnet werden.\n\n")
                       .arg(com, QString::fromStdString(status.device));
    switch (status.why) {
    case CommOpenError::NoDevice:
        text += QStringLiteral("Dieses Gerät gibt es nicht. Ist der Adapter angeschlossen?");
        break;
    case CommOpenError::NoPermission:
        text += QStringLiteral("Keine Berechtigung für dieses Gerät. Der Benutzer muss Mitglied der Gruppe "
                               "\"dialout\" sein und sich danach neu anmelden.");
        break;
    case CommOpenError::Busy:
        // The device is the right one; another program holds it.
        return text +
               QStringLiteral("Das Gerät wird von einem anderen Programm benutzt. Beenden Sie das andere "
                              "Programm und stellen Sie die Verbindung danach erneut her.");
    case CommOpenError::NotCommHandle:
        text += QStringLiteral("Das Gerät ist keine serielle Schnittstelle.");
        break;
    case CommOpenError::None:
    case CommOpenError::OpenFailed:
        text += QStringLiteral("Systemfehler %1: %2.")
                    .arg(status.error)
                    .arg(QString::fromStdString(platform::systemErrorText(status.error)));
        break;
    }
    return text + whereThePortIsSet(port, status.device, iniFileName);
}
