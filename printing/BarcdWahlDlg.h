#pragma once

#include "controls/RadioGroup.h"

#include <QDialog>
#include <QPushButton>

// "Barcodes drucken": the user chooses one of the two barcode sheets and previews it. Each showing
// starts with no sheet chosen and OKBtn disabled.
class TBarcdWahlDlg : public QDialog {
public:
    explicit TBarcdWahlDlg(QWidget* owner = nullptr);

    TRadioGroup* RadioGroup1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    void RadioGroup1Click();
    void OKBtnClick();

protected:
    void showEvent(QShowEvent* event) override;
};

// The program's single instance.
inline TBarcdWahlDlg* BarcdWahlDlg = nullptr;
