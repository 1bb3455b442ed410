#pragma once

#include "platform/radio_group.h"

#include <QDialog>
#include <QPushButton>

// "Barcodes drucken": the user chooses one of the two barcode sheets and previews it. The opener
// clears the choice (RadioGroup1 item index -1) and disables OKBtn before showing it.
class TBarcdWahlDlg : public QDialog {
public:
    explicit TBarcdWahlDlg(QWidget* owner = nullptr);

    TRadioGroup* RadioGroup1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    void RadioGroup1Click();
    void OKBtnClick();
};

// The program's single instance.
inline TBarcdWahlDlg* BarcdWahlDlg = nullptr;
