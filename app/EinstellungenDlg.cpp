#include "app/EinstellungenDlg.h"

TEinstellungenDlg::TEinstellungenDlg(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("EinstellungenDlg"));
    setWindowTitle(QStringLiteral("Einstellungen"));
    resize(649, 493);
}
