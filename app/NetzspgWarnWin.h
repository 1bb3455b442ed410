#pragma once

#include <QLabel>
#include <QWidget>

// The mains-voltage warning that the main window shows and hides as the tester reports it.
class TNetzspgWarnWin : public QWidget {
public:
    explicit TNetzspgWarnWin(QWidget* owner = nullptr);

    QLabel* Label1;
};

// The program's single instance.
inline TNetzspgWarnWin* NetzspgWarnWin = nullptr;
