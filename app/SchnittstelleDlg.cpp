#include "app/SchnittstelleDlg.h"

#include "platform/window_place.h"

TSchnittstelleDlg::TSchnittstelleDlg(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("SchnittstelleDlg"));
    setWindowTitle(QStringLiteral("Schnittstelle"));
    setFixedSize(226, 170);
    platform::placeOnShow(*this, platform::Placement::Centred);
    RadioGroup1 = new TRadioGroup(QStringLiteral("COM-Port"), this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setGeometry(8, 8, 210, 116);
    RadioGroup1->SetColumns(2);
    QStringList items;
    for (int i = 1; i <= 8; ++i)
        items << QStringLiteral("COM&%1").arg(i);
    RadioGroup1->SetItems(items);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(24, 134, 80, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(122, 134, 80, 25);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}
