// The program: start-up picture, the windows in their order, the message loop.
#include "app/MainForm.h"
#include "app/SplashScreen.h"
#include "app/Windows.h"
#include "platform/application.h"

#include <QLocale>

int main(int argc, char** argv) {
    // An exception that escapes a handler is logged and shown; the program goes on.
    platform::Application app(argc, argv);
    // The locale of the desktop (LANG, LC_NUMERIC) gives the decimal separator.
    SetUpApplication(QLocale::system());

    SplashScreen = new TSplashScreen;
    SplashScreen->show();
    QApplication::processEvents();

    CreateProgramWindows();
    Form1->show();
    SplashScreen->raise();
    const int result = app.exec();
    DestroyProgramWindows();
    return result;
}
