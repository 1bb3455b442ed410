#include "records/AuswListeDlg.h"

TAuswListeDlg::TAuswListeDlg(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("AuswListeDlg"));
    setWindowTitle(QStringLiteral("Auswahl"));
    resize(480, 360);
}
