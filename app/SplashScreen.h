#pragma once

#include <QLabel>
#include <QWidget>

// The start-up picture: borderless, on top, centred; the main window's housekeeping tick
// frees it.
class TSplashScreen : public QWidget {
public:
    explicit TSplashScreen(QWidget* owner = nullptr);

    // Shows the second picture.
    void FormCreate();

    QLabel* Image1;
    QLabel* Image2;

    // The picture the window shows, 326 x 182.
    static QPixmap Picture();
};

// Exists from start-up until the main window frees it.
inline TSplashScreen* SplashScreen = nullptr;
