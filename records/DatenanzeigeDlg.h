#pragma once

#include <QDialog>
#include <QPushButton>

// The window "Gespeicherte Daten"; created once at start-up and kept until the end.
class TDatenanzeigeDlg : public QDialog {
public:
    explicit TDatenanzeigeDlg(QWidget* owner = nullptr);

    // "Messmod.": applies the shown test's measuring mode; enabled while a tester is connected.
    QPushButton* BitBtn4;
};

// The program's single instance.
inline TDatenanzeigeDlg* DatenanzeigeDlg = nullptr;
