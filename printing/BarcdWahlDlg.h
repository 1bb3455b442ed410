#pragma once

#include <QDialog>

// The window "Barcodes drucken"; created once at start-up and kept until the end.
class TBarcdWahlDlg : public QDialog {
public:
    explicit TBarcdWahlDlg(QWidget* owner = nullptr);
};

// The program's single instance.
inline TBarcdWahlDlg* BarcdWahlDlg = nullptr;
