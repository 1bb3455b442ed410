#include "records/PrueflingDlg.h"

TPrueflingDlg::TPrueflingDlg(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("PrueflingDlg"));
    setWindowTitle(QStringLiteral("Prüfling auswählen"));
    resize(560, 400);
}
