#include "controls/FormDialog.h"

#include <QHideEvent>
#include <QShowEvent>

void TFormDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormDialog::hideEvent(QHideEvent* event) {
    if (!event->spontaneous())
        FormHide();
    QDialog::hideEvent(event);
}
