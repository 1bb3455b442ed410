#include "printing/ConfigBarcodes.h"

TConfigBarcodes::TConfigBarcodes(QWidget* owner) : QWidget(owner) {
    setObjectName(QStringLiteral("ConfigBarcodes"));
    setWindowTitle(QStringLiteral("Konfiguration des Barcodelesers"));
    resize(595, 842);
}
