#include "records/DatenabrufDlg.h"

TDatenabrufDlg::TDatenabrufDlg(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("DatenabrufDlg"));
    setWindowTitle(QStringLiteral("Datenabruf und -übernahme"));
    resize(648, 477);
}
