#pragma once

#include <QDialog>

// The window "Einstellungen"; created once at start-up and kept until the end.
class TEinstellungenDlg : public QDialog {
public:
    explicit TEinstellungenDlg(QWidget* owner = nullptr);
};

// The program's single instance.
inline TEinstellungenDlg* EinstellungenDlg = nullptr;
