#pragma once

#include "controls/ChkDsp.h"
#include "controls/DBControls.h"
#include "controls/DBNavigator.h"
#include "controls/FormDialog.h"
#include "controls/LEDPaint.h"
#include "records/StoredData.h"
#include "tester/Globals.h"
#include "tester/IniSettings.h"

#include <QLabel>
#include <QPushButton>

#include <array>
#include <functional>

class TAuswListeDlg;
class TCsvExportFile;
class TTesterSettings;

// The export file's name: asked with a save dialog unless Globals::ExportFile is 1, which
// takes Globals::ExportFileName. Empty when the user cancels.
QString GetExportFileName();

// "Gespeicherte Daten": customers, the devices of the current customer and the tests of the
// current device in three linked lists; prints, exports and applies the shown test's mode.
class TDatenanzeigeDlg : public TFormDialog {
    Q_OBJECT
public:
    // iniFileName: where the window keeps its position.
    explicit TDatenanzeigeDlg(const QString& iniFileName = ProgramIniFileName(), QWidget* owner = nullptr);
    ~TDatenanzeigeDlg() override;

    static void FillWerteSatz(platform::TQuery& customers, platform::TQuery& devices, TWerteSatz& w,
                              platform::TQuery& tests, int32_t firmwareLevel) {
        ::FillWerteSatz(customers, devices, w, tests, firmwareLevel);
    }

    // The pick lists; nullptr uses the program's AuswListeDlg.
    TAuswListeDlg* PickList = nullptr;
    // The writers "Messmod." sends through, the main window's in the program; none: no effect.
    // Their tester's firmware level decides which result rows apply and the insulation's
    // overflow text, shown and exported; without writers, that of no tester connected.
    TTesterSettings* TesterWriters = nullptr;
    // Previews (true) or prints the protocol of a test; unset: no effect.
    std::function<void(const TWerteSatz& w, bool preview)> PrintProtocol;

    // ---- lists ----
    platform::TQuery* Query1; // customers
    platform::TQuery* Query2; // devices of the current customer
    platform::TQuery* Query3; // tests of the current device
    TDataSource* DataSource1;
    TDataSource* DataSource2;
    TDataSource* DataSource3;

    // ---- customer area ----
    QLabel* KundenAnzahl;                  // "[n]"
    std::array<TDBEdit*, 9> KundenEdits{}; // Name1, Name2, Name3, KdStr, KdLKZ, KdPLZ, KdOrt, Telefon, Fax
    TDBText* DBText1;                      // KundenNr, hidden
    TDBNavigator* DBNavigator1;

    // ---- device area ----
    QLabel* PrueflingAnzahl;
    std::array<TDBEdit*, 6>
        PrueflingEdits{}; // Bezeichnung, Typ, Fabrikationsnummer, Seriennummer, Inventarnummer, Barcode
    TDBEdit* DBEdit15;    // Barcode
    TDBText* DBText2;     // PrueflingNr, hidden
    TDBNavigator* DBNavigator2;

    // ---- test area ----
    QLabel* PruefungAnzahl;
    TDBText* GTSeriennummerText;
    TDBText* DatumText;
    TDBText* SchutzklasseText;
    TLEDPaint* VDE0701LED;
    TLEDPaint* VDE0702LED;
    std::array<TCheckDisp*, 4> ModeChecks{}; // Menueflags 1, 4, 8, 16
    TLEDPaint* AbgebrochenLED;
    TLEDPaint* GrenzwertLED;
    TDBText* SichtpruefText;
    struct TResultRow {
        QLabel* Caption = nullptr;
        TDBText* Value = nullptr;
        QLabel* Unit = nullptr;
        QLabel* Prefix = nullptr;
        TDBText* Limit = nullptr;
        QLabel* LimitUnit = nullptr;
        TLEDPaint* LED = nullptr;
    };
    // Rows 0..6 in MeasurementBits order, row 7 "Grenzwert für Netztrennung:".
    std::array<TResultRow, 8> ResultRows{};
    TDBMemo* DBMemo1;  // Notiz
    TDBEdit* DBEdit16; // Pruefer
    TDBText* ErgebnisText;
    TDBNavigator* DBNavigator3;

    // ---- buttons ----
    QPushButton* BitBtn6; // "Kunden"
    QPushButton* BitBtn7; // "Prüflinge"
    QPushButton* BitBtn4; // "Messmod.", enabled by the main window while connected
    QPushButton* BitBtn5; // "Export"
    QPushButton* BitBtn3; // "Einzelexp."
    QPushButton* BitBtn2; // "Druck"
    QPushButton* BitBtn1; // "OK"

    // ---- handlers ----
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();
    void BitBtn6Click();
    void BitBtn7Click();
    void DBEdit1Exit(TDBEdit& sender);
    void DBEdit15Exit(TDBEdit& sender);
    void DBMemo1Exit(TDBMemo& sender);

private:
    void FormCreate();
    void FormDestroy();
    void FormShow() override;
    void FormHide() override;
    void LoadPosition();
    void SavePosition();

    void Query1AfterOpen(platform::TQuery& q);
    void Query1AfterScroll(platform::TQuery& q);
    void Query1BeforeDelete(platform::TQuery& q);
    void Query2AfterOpen(platform::TQuery& q);
    void Query2AfterScroll(platform::TQuery& q);
    void Query2BeforeDelete(platform::TQuery& q);
    void Query2BeforePost(platform::TQuery& q);
    void Query3AfterOpen(platform::TQuery& q);
    void Query3AfterScroll(platform::TQuery& q);
    void Query3CalcFields(platform::TQuery& q);

    void buildControls();
    void declareTestFields();
    void postIfEditing(platform::TQuery& q);
    bool postOrDrop(platform::TQuery& q);
    void dropEdits();
    void cancelDeviceEdit();
    void linkDevices();
    void linkTests();
    void showResultRows();
    bool haveTest() const;
    int32_t firmwareLevel() const;
    // Gets the file name, creates the file and runs body, which returns false when a write failed;
    // the file takes its name only when body and every write succeeded.
    void exportTo(const std::function<bool(TCsvExportFile&)>& body);

    QString iniFileName_;
};

// The program's single instance.
inline TDatenanzeigeDlg* DatenanzeigeDlg = nullptr;
