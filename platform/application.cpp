#include "platform/application.h"

#include "platform/error_report.h"
#include "platform/log_sink.h"
#include "platform/message_box.h"

#include <QScopeGuard>
#include <QThread>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace platform {

namespace {

std::atomic<int> escapedCount{0};

// The class and, when it has one, the name of the object an event went to.
std::string receiverName(const QObject* receiver) {
    if (!receiver)
        return "?";
    std::string name = receiver->metaObject()->className();
    if (!receiver->objectName().isEmpty())
        name += " \"" + receiver->objectName().toStdString() + "\"";
    return name;
}

// Logged before it is shown: the box waits for the user. While it is open a failure that
// comes again (the window behind it repainted) is only logged, or the boxes would pile up;
// so is one outside the UI thread, which shows no windows.
void escaped(const QObject* receiver, const QEvent* event, const std::exception& error) {
    ++escapedCount;
    const std::string line = "Nicht abgefangener Fehler bei Ereignis " +
                             std::to_string(static_cast<int>(event->type())) + " an " +
                             receiverName(receiver) + ": " + errorText(error).toStdString();
    std::fprintf(stderr, "%s\n", line.c_str());
    writeLog(line);
    static bool showing = false;
    if (QThread::currentThread() != QCoreApplication::instance()->thread() || showing)
        return;
    showing = true;
    const auto shown = qScopeGuard([] { showing = false; });
    // The line above is its entry in the log.
    messageBox(errorText(error), MessageButtons::Ok, MessageIcon::Stop);
}

} // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    // A write beyond the file size limit then fails and is reported, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        escaped(receiver, event, e);
    } catch (...) {
        escaped(receiver, event, std::runtime_error("Unbekannter Fehler"));
    }
    return false;
}

int takeEscapedExceptions() {
    return escapedCount.exchange(0);
}

} // namespace platform
