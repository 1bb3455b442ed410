#pragma once

#include "controls/RadioGroup.h"

#include <QDialog>
#include <QPushButton>

// The port dialog: one of COM1 to COM8.
class TSchnittstelleDlg : public QDialog {
public:
    explicit TSchnittstelleDlg(QWidget* owner = nullptr);

    TRadioGroup* RadioGroup1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
};

// The program's single instance.
inline TSchnittstelleDlg* SchnittstelleDlg = nullptr;
