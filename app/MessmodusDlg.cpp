#include "app/MessmodusDlg.h"

TMessmodusDlg::TMessmodusDlg(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("MessmodusDlg"));
    setWindowTitle(QStringLiteral("Messmodus-Einstellung"));
    resize(420, 300);
}
