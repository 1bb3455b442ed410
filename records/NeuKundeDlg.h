#pragma once

#include "controls/FormDialog.h"

class QPushButton;
class TDBEdit;
class TDataSource;
class TNeuPrueflingDlg;

namespace platform {
class TQuery;
}

// "neuen Kunden anlegen": enters a customer, who must at once get a first device.
class TNeuKundeDlg : public TFormDialog {
    Q_OBJECT
public:
    explicit TNeuKundeDlg(QWidget* parent = nullptr);

    void SetNeuPrueflingDlg(TNeuPrueflingDlg* dlg) { neuPrueflingDlg_ = dlg; }

    platform::TQuery* Query1 = nullptr;
    TDataSource* DataSource1 = nullptr;
    TDBEdit* DBEdit1 = nullptr; // Name1, focused by the device choice before showing
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    void OKBtnClick();

private:
    void FormShow() override;
    void FormHide() override;

    TNeuPrueflingDlg* neuPrueflingDlg_ = nullptr;
};

// The program's single instance.
inline TNeuKundeDlg* NeuKundeDlg = nullptr;
