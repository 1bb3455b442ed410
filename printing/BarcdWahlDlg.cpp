#include "printing/BarcdWahlDlg.h"

TBarcdWahlDlg::TBarcdWahlDlg(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("BarcdWahlDlg"));
    setWindowTitle(QStringLiteral("Barcodes drucken"));
    resize(360, 160);
}
