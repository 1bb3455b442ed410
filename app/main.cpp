// The program: start-up picture, the windows in their order, the message loop.
#include "app/MainForm.h"
#include "app/SplashScreen.h"
#include "app/Windows.h"
#include "platform/help.h"

#include <QApplication>
#include <QFont>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Gerätetester"));
    QApplication::setApplicationDisplayName(QStringLiteral("Gerätetester"));
    // The windows are laid out in pixels for a sans-serif font of 11 pixels.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    QApplication::setFont(font);
    platform::setHelpFile(QStringLiteral("Kovent.html"));
    // The main window ends the program when it closes, even while other windows are shown.
    QApplication::setQuitOnLastWindowClosed(false);

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
