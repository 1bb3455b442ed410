#pragma once

#include <QApplication>

namespace platform {

// The program's application object. An exception that escapes an event handler ends here
// instead of ending the program: it goes to stderr and the program log (log_sink.h) with the
// event and its receiver, and the user sees it as reportError shows it. A write beyond the file
// size limit fails like one on a full disk.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// How many exceptions escaped an event handler since the last call; counts from 0 again. The
// tests fail every test in which one escaped that the test did not take.
int takeEscapedExceptions();

} // namespace platform
