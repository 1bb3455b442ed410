#include "printing/Steuerbarcodes.h"

TSteuerbarcodes::TSteuerbarcodes(QWidget* owner) : QWidget(owner) {
    setObjectName(QStringLiteral("Steuerbarcodes"));
    setWindowTitle(QStringLiteral("Steuerbarcodes"));
    resize(595, 842);
}
