#include "records/NeuPrueflingDlg.h"

TNeuPrueflingDlg::TNeuPrueflingDlg(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("NeuPrueflingDlg"));
    setWindowTitle(QStringLiteral("neuen Prüfling anlegen"));
    resize(420, 320);
}
