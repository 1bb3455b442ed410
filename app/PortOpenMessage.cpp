#include "app/PortOpenMessage.h"

#include <QFileInfo>

#include <cstdlib>

std::string PortDevicePath(int port, const std::string& configured) {
    const std::string var = "GERAETETESTER_COM" + std::to_string(port);
    if (const char* value = std::getenv(var.c_str()); value && *value)
        return value;
    return platform::commDevicePath(port, configured);
}

namespace {

// Said with every failure that a different device may cure.
QString whereThePortIsSet(const QString& com, const QString& iniFileName) {
    return QStringLiteral(
               " Welches Gerät zu %1 gehört, steht in der Konfigurationsdatei %2 im Abschnitt [%3].")
        .arg(com, QFileInfo(iniFileName).absoluteFilePath(), PortMapSection());
}

} // namespace

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
        return text + QStringLiteral("Das Gerät wird von einem anderen Programm benutzt.");
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
    return text + whereThePortIsSet(com, iniFileName);
}
