#pragma once

#include <QDialog>

// The window "neuen Prüfling anlegen"; created once at start-up and kept until the end.
class TNeuPrueflingDlg : public QDialog {
public:
    explicit TNeuPrueflingDlg(QWidget* owner = nullptr);
};

// The program's single instance.
inline TNeuPrueflingDlg* NeuPrueflingDlg = nullptr;
