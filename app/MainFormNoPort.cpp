// The main window without a serial port component: no port can be opened.
#include "app/MainForm.h"

void TForm1::createPortComponent() {
    Cate1 = nullptr;
}

void TForm1::destroyPortComponent() {}

bool TForm1::openPort(int) {
    return false;
}

void TForm1::closePort() {}

void TForm1::setPortLog(const QString&) {}

bool TForm1::IsConnected() const {
    return false;
}
