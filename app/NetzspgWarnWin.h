#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

// Text of the mains-voltage warning.
extern const QString NetzspgWarnText;

// The mains-voltage warning: a small window above the others that the main window shows
// while the tester reports that the next measurement switches 230 V onto the test socket.
// It never takes the focus from the main window.
class TNetzspgWarnWin : public QWidget {
    Q_OBJECT
public:
    explicit TNetzspgWarnWin(QWidget* parent = nullptr);

    QLabel* Label1;
};
