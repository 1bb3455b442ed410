#pragma once

#include <QDialog>

// The window "Datenabruf und -übernahme"; created once at start-up and kept until the end.
class TDatenabrufDlg : public QDialog {
public:
    explicit TDatenabrufDlg(QWidget* owner = nullptr);
};

// The program's single instance.
inline TDatenabrufDlg* DatenabrufDlg = nullptr;
