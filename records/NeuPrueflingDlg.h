#pragma once

#include "controls/FormDialog.h"

class QPushButton;
class TDBEdit;
class TDataSource;
class TDatenabrufDlg;
class TNeuKundeDlg;
class TPrueflingDlg;

namespace platform {
class TQuery;
}

// "neuen Prüfling anlegen": enters a device under test for a customer; its barcode must be
// empty or held by no other device.
class TNeuPrueflingDlg : public TFormDialog {
    Q_OBJECT
public:
    explicit TNeuPrueflingDlg(QWidget* parent = nullptr);

    // Where the new device takes its barcode and customer from.
    void SetDatenabrufDlg(TDatenabrufDlg* dlg) { datenabrufDlg_ = dlg; }
    void SetNeuKundeDlg(TNeuKundeDlg* dlg) { neuKundeDlg_ = dlg; }
    void SetPrueflingDlg(TPrueflingDlg* dlg) { prueflingDlg_ = dlg; }

    platform::TQuery* Query1 = nullptr;
    TDataSource* DataSource1 = nullptr;
    TDBEdit* DBEdit1 = nullptr; // Bezeichnung
    TDBEdit* DBEditBarcode = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    void OKBtnClick();

private:
    void FormShow() override;
    void FormHide() override;

    TDatenabrufDlg* datenabrufDlg_ = nullptr;
    TNeuKundeDlg* neuKundeDlg_ = nullptr;
    TPrueflingDlg* prueflingDlg_ = nullptr;
};

// The program's single instance.
inline TNeuPrueflingDlg* NeuPrueflingDlg = nullptr;
