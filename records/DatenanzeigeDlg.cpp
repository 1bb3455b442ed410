#include "records/DatenanzeigeDlg.h"

TDatenanzeigeDlg::TDatenanzeigeDlg(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("DatenanzeigeDlg"));
    setWindowTitle(QStringLiteral("Gespeicherte Daten"));
    resize(640, 480);
    BitBtn4 = new QPushButton(QStringLiteral("Messmod."), this);
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    BitBtn4->setGeometry(8, 447, 97, 25);
    BitBtn4->setEnabled(false);
}
