#pragma once

#include "controls/FormDialog.h"
#include "records/RecordRetrieval.h"

#include <QString>

#include <cstdint>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QWidget;
class TPrueflingDlg;
class TDBGrid;
class TDBMemo;
class TDataSource;

namespace platform {
class TField;
class TQuery;
} // namespace platform

// "Datenabruf und -übernahme": fetches the tester's stored records into the staging list,
// lets the user assign them to devices and takes them over into the test table.
class TDatenabrufDlg : public TFormDialog, private IRetrievalView {
    Q_OBJECT
public:
    // link: the tester the fetch asks. iniFileName: where the window keeps its position (read
    // here, written on destruction).
    TDatenabrufDlg(ITesterLink& link, const QString& iniFileName, QWidget* parent = nullptr);
    ~TDatenabrufDlg() override;

    // The device choice shown by "Prüfling".
    void SetPrueflingDlg(TPrueflingDlg* dlg) { prueflingDlg_ = dlg; }

    // The device of a barcode, 0 for none (Query2).
    int32_t FindPrueflingNr(const QString& barcode);
    void UpdateButtons();
    // How often at most the list shows the rows a running fetch has added.
    static constexpr int ListRefreshMs = 500;

    // A fetch is running: the dialog neither closes nor starts another action.
    bool Retrieving() const { return retrieval_.Running(); }
    const TRecordRetrieval& Retrieval() const { return retrieval_; }

    platform::TQuery* Query1 = nullptr;
    platform::TQuery* Query3 = nullptr;
    TDataSource* DataSource1 = nullptr;
    TDBGrid* DBGrid1 = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QPushButton* BitBtn6 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Label1 = nullptr;
    TDBMemo* DBMemo1 = nullptr;

    // Handlers.
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();

public slots:
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormShow() override;
    void FormHide() override;
    void LoadPosition();
    void SavePosition();
    void Query1CalcFields(platform::TQuery& dataSet);
    void Query1AfterInsert(platform::TQuery& dataSet);
    void Query1AfterOpen(platform::TQuery& dataSet);
    void Query1AfterScroll(platform::TQuery& dataSet);
    void Query1AfterDelete(platform::TQuery& dataSet);
    void Query1BarcodeValidate(platform::TField& sender);
    void BuildGrid();
    bool PostPending();

    // IRetrievalView
    void SetProgressMax(int Max) override;
    void SetProgressPosition(int Position) override;
    void ShowMessage(const QString& Text) override;

    ITesterLink& link_;
    QString iniFileName_;
    TPrueflingDlg* prueflingDlg_ = nullptr;
    QTimer* listRefresh_ = nullptr;
    std::unique_ptr<IStagingSink> sink_;
    TRecordRetrieval retrieval_;
};

// The program's single instance.
inline TDatenabrufDlg* DatenabrufDlg = nullptr;
