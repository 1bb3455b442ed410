#pragma once

#include <QDialog>

// A dialog with a form's show and hide handlers: FormShow runs once the dialog is shown,
// FormHide before it is hidden. Both run only when the program shows or hides the dialog,
// not when the window system alone maps or unmaps it (minimising, another desktop).
class TFormDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

protected:
    virtual void FormShow() = 0;
    virtual void FormHide() = 0;

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
};
