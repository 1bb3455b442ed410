#pragma once

#include <QDialog>

// The window "Prüfling auswählen"; created once at start-up and kept until the end.
class TPrueflingDlg : public QDialog {
public:
    explicit TPrueflingDlg(QWidget* owner = nullptr);
};

// The program's single instance.
inline TPrueflingDlg* PrueflingDlg = nullptr;
