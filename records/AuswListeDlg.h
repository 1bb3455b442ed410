#pragma once

#include <QDialog>

// The window "Auswahl"; created once at start-up and kept until the end.
class TAuswListeDlg : public QDialog {
public:
    explicit TAuswListeDlg(QWidget* owner = nullptr);
};

// The program's single instance.
inline TAuswListeDlg* AuswListeDlg = nullptr;
