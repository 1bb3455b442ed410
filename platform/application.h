#pragma once

#include <QApplication>

namespace platform {

// The program's application object. An exception that escapes an event handler ends here
// instead of ending the program: it goes to stderr and the program log (log_sink.h), and the
// user sees it as reportError shows it.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace platform
