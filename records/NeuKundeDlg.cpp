#include "records/NeuKundeDlg.h"

TNeuKundeDlg::TNeuKundeDlg(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("NeuKundeDlg"));
    setWindowTitle(QStringLiteral("neuen Kunden anlegen"));
    resize(420, 320);
}
