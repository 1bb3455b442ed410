#pragma once

#include "controls/FormDialog.h"

#include <QDialog>
#include <QString>

#include <cstdint>

class QLabel;
class QPushButton;
class TDBEdit;
class TDBGrid;
class TDBText;
class TDataSource;
class TNeuKundeDlg;
class TNeuPrueflingDlg;

namespace platform {
class TQuery;
}

// "Prüfling auswählen": picks a device under test from all devices with their customers.
class TPrueflingDlg : public TFormDialog {
    Q_OBJECT
public:
    explicit TPrueflingDlg(const QString& iniFileName, QWidget* parent = nullptr);
    ~TPrueflingDlg() override;

    void SetNeuKundeDlg(TNeuKundeDlg* dlg) { neuKundeDlg_ = dlg; }
    void SetNeuPrueflingDlg(TNeuPrueflingDlg* dlg) { neuPrueflingDlg_ = dlg; }
    // The stored-data browser behind the hidden "gespeicherte Daten".
    void SetDatenanzeigeDlg(QDialog* dlg) { datenanzeigeDlg_ = dlg; }

    // Set before showing: the device to preselect (0: none). After hiding: the device and
    // barcode of the row that was current (0 and empty when the list was empty).
    int32_t PrueflingNr = 0;
    QString Barcode;

    platform::TQuery* Query1 = nullptr;
    TDataSource* DataSource1 = nullptr;
    TDBGrid* DBGrid1 = nullptr;
    QPushButton* BitBtn1 = nullptr; // "gespeicherte Daten", hidden
    QPushButton* BitBtn2 = nullptr; // "neuen Kunden anlegen"
    QPushButton* BitBtn3 = nullptr; // "neuen Prüfling anlegen"
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();

private:
    void FormShow() override;
    void FormHide() override;
    void LoadPosition();
    void SavePosition();
    void Reopen();

    QString iniFileName_;
    TNeuKundeDlg* neuKundeDlg_ = nullptr;
    TNeuPrueflingDlg* neuPrueflingDlg_ = nullptr;
    QDialog* datenanzeigeDlg_ = nullptr;
};

// The program's single instance.
inline TPrueflingDlg* PrueflingDlg = nullptr;
