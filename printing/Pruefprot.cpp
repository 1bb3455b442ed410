#include "printing/Pruefprot.h"

TPruefprot::TPruefprot(QWidget* owner) : QWidget(owner) {
    setObjectName(QStringLiteral("Pruefprot"));
    setWindowTitle(QStringLiteral("Prüfprotokoll"));
    resize(595, 842);
}
