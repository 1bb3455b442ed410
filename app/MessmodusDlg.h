#pragma once

#include <QDialog>

// The window "Messmodus-Einstellung"; created once at start-up and kept until the end.
class TMessmodusDlg : public QDialog {
public:
    explicit TMessmodusDlg(QWidget* owner = nullptr);
};

// The program's single instance.
inline TMessmodusDlg* MessmodusDlg = nullptr;
