#include "app/SprachEinstDlg.h"

#include "platform/window_place.h"

#include <QShowEvent>

TSprachEinstDlg::TSprachEinstDlg(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("SprachEinstDlg"));
    setWindowTitle(QStringLiteral("Spracheinstellung"));
    setFixedSize(250, 250);
    Label1 = new QLabel(QStringLiteral("Sprache:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 8, 120, 16);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(8, 28, 234, 176);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(40, 214, 80, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(130, 214, 80, 25);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this] { ListBox1DblClick(); });
    platform::placeOnShow(*this, platform::Placement::CentredOnce);
}

void TSprachEinstDlg::ListBox1DblClick() {
    accept();
}
