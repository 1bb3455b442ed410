#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>

#include <utility>

namespace platform {

namespace {

MessageBoxHandler& handler() {
    static MessageBoxHandler h;
    return h;
}

BeepHandler& beepHandler() {
    static BeepHandler h;
    return h;
}

MessageResult showReal(const QString& text, MessageButtons buttons, MessageIcon icon) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(messageCaption());
    box.setText(text);
    switch (icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MessageIcon::Warning:
    case MessageIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    switch (buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    }
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
        return MessageResult::Ok;
    case QMessageBox::Yes:
        return MessageResult::Yes;
    case QMessageBox::No:
        return MessageResult::No;
    default:
        return buttons == MessageButtons::YesNo
                   ? MessageResult::No
                   : (buttons == MessageButtons::Ok ? MessageResult::Ok : MessageResult::Cancel);
    }
}

} // namespace

MessageResult messageBox(const QString& text, MessageButtons buttons, MessageIcon icon) {
    if (handler())
        return handler()(text, buttons, icon);
    return showReal(text, buttons, icon);
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler h) {
    MessageBoxHandler before = std::move(handler());
    handler() = std::move(h);
    return before;
}

void beep() {
    if (beepHandler())
        beepHandler()();
    else
        QApplication::beep();
}

BeepHandler setBeepHandler(BeepHandler h) {
    BeepHandler before = std::move(beepHandler());
    beepHandler() = std::move(h);
    return before;
}

} // namespace platform
