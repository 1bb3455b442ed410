#pragma once

#include <QDialog>

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
class TNeuPrueflingDlg : public QDialog {
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

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void FormShow();
    void FormHide();

    TDatenabrufDlg* datenabrufDlg_ = nullptr;
    TNeuKundeDlg* neuKundeDlg_ = nullptr;
    TPrueflingDlg* prueflingDlg_ = nullptr;
};

// The program's single instance.
inline TNeuPrueflingDlg* NeuPrueflingDlg = nullptr;
