#include "printing/BarcdWahlDlg.h"

#include "platform/window_place.h"
#include "printing/ConfigBarcodes.h"
#include "printing/Steuerbarcodes.h"

TBarcdWahlDlg::TBarcdWahlDlg(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("BarcdWahlDlg"));
    setWindowTitle(QStringLiteral("Barcodes drucken"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(360, 160);
    platform::placeOnShow(*this, platform::Placement::Centred);
    RadioGroup1 = new TRadioGroup(QStringLiteral("Barcodeblatt wählen"), this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setGeometry(8, 8, 344, 100);
    RadioGroup1->SetItems({QStringLiteral("Steuerbarcodes zur Gerätetester-Einstellung"),
                           QStringLiteral("Konfiguration des Barcodelesers")});
    RadioGroup1->OnClick = [this] { RadioGroup1Click(); };
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(92, 122, 80, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(188, 122, 80, 25);
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TBarcdWahlDlg::showEvent(QShowEvent* event) {
    // What its opener is meant to do; done here as well so that no opener can show a stale choice.
    RadioGroup1->SetItemIndex(-1);
    OKBtn->setEnabled(false);
    QDialog::showEvent(event);
}

void TBarcdWahlDlg::RadioGroup1Click() {
    OKBtn->setEnabled(RadioGroup1->ItemIndex() >= 0);
}

void TBarcdWahlDlg::OKBtnClick() {
    switch (RadioGroup1->ItemIndex()) {
    case 0:
        if (Steuerbarcodes)
            Steuerbarcodes->QuickRep1.Preview(this);
        break;
    case 1:
        if (ConfigBarcodes)
            ConfigBarcodes->QuickRep1.Preview(this);
        break;
    default:
        return; // nothing chosen: the dialog stays open
    }
    accept();
}
