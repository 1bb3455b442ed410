// The main window's serial port component.
#include "app/MainForm.h"

#include "app/PortOpenMessage.h"
#include "platform/ini_file.h"
#include "platform/message_box.h"
#include "serial/Cate32.h"

void TForm1::createPortComponent() {
    Cate1 = new TCate(this);
    Cate1->setObjectName(QStringLiteral("Cate1"));
    Cate1->SetReadBufferSize(64);
    Cate1->SetWriteBufferSize(0);
    Cate1->SetLogTicks(true);
    Cate1->SetReadInterval(10);
    Cate1->SetReadTotalTimeoutMultiplier(0);
    Cate1->SetReadTotalTimeoutConstant(0);
    // The device of a port is looked up in the configuration file at every open.
    Cate1->SetCommOpener([this](int number, platform::CommOpenStatus& status) {
        const platform::IniFile ini(iniFileName_);
        const QString device =
            ini.readString(PortMapSection(), QStringLiteral("COM%1").arg(number), QString());
        return platform::openCommPath(PortDevicePath(number, device.toStdString()), status);
    });
    Cate1->Loaded();
    SynchroBus1->SetLogTicks(true);
    SynchroBus1->SetCate(Cate1);
}

void TForm1::destroyPortComponent() {
    if (Cate1)
        Cate1->SetPort(TPort::NoPort);
}

bool TForm1::openPort(int number) {
    // Only the ports the component knows; any other number counts as a failed open.
    if (number < 1 || number > 9) {
        platform::messageBox(PortOpenFailureText(number, {}, iniFileName_), platform::MessageButtons::Ok,
                             platform::MessageIcon::Stop);
        return false;
    }
    Cate1->SetPort(static_cast<TPort>(number));
    if (IsConnected())
        return true;
    // An open that a handler overtook while it waited did not fail.
    if (Cate1->OpenStatus().why != platform::CommOpenError::None)
        platform::messageBox(PortOpenFailureText(number, Cate1->OpenStatus(), iniFileName_),
                             platform::MessageButtons::Ok, platform::MessageIcon::Stop);
    return false;
}

void TForm1::closePort() {
    Cate1->SetPort(TPort::NoPort);
}

void TForm1::setPortLog(const QString& name) {
    Cate1->SetLogfileName(name.toStdString());
}

bool TForm1::IsConnected() const {
    return Cate1 && Cate1->Port() != TPort::NoPort;
}
