#pragma once

#include "controls/Digit.h"
#include "controls/Edits.h"
#include "controls/LEDPaint.h"
#include "controls/RadioGroup.h"
#include "controls/StatusBar.h"
#include "platform/window_timer.h"
#include "serial/SyncBus.h"
#include "tester/Globals.h"
#include "tester/Housekeeping.h"
#include "tester/IniSettings.h"
#include "tester/KeyCommands.h"
#include "tester/LinkRefresh.h"
#include "tester/LiveDisplay.h"
#include "tester/LiveState.h"
#include "tester/ModeTable.h"
#include "tester/ProgramLog.h"
#include "tester/SettingsPanel.h"
#include "tester/TesterLanguage.h"
#include "tester/TesterLink.h"
#include "tester/TesterSettings.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>

#include <array>

class TCate;

// The main window: connects to the tester, identifies it, keeps the link fresh and shows
// the tester's live state. Its components (port, bus, timers) are placed on it and go with it.
class TForm1 : public QMainWindow {
public:
    // Where the window keeps its configuration; tests give their own.
    explicit TForm1(const QString& iniFileName = ProgramIniFileName(), QWidget* owner = nullptr);
    ~TForm1() override;

    // ---- components ----
    TCate* Cate1 = nullptr;
    // Made here, before the link over it.
    TSynchroBus* SynchroBus1 = new TSynchroBus(this);
    platform::TTimer* Timer1 = nullptr; // 100 ms housekeeping
    platform::TTimer* Timer2 = nullptr; // refresh of the link

    // ---- menus ----
    QMenu* Geraetetester1;
    QAction* whlen1;        // "Schnittstelle &wählen..."
    QAction* verbinden1;    // "mit Gerätetester &verbinden", ticked while connected
    QAction* Datenabrufen1; // "Daten abrufen..."
    QAction* Beenden1;
    QMenu* Daten1;
    QAction* ffnen1; // "Ö&ffnen..."
    QAction* Barcode1;
    QMenu* Konfiguration1;
    QAction* Einstellungen1;
    QAction* Hinweise1;
    QAction* Sprache1;
    QMenu* Messmodus1;
    QAction* einstellen1;
    QMenu* Hilfe1;
    QAction* Index1;
    QAction* Hilfebenutzen1;
    QAction* Info1;

    // ---- tool bar ----
    QToolBar* ToolBar1;
    QToolButton* ToolButton1;  // "Schnittstelle wählen"
    QToolButton* ToolButton10; // "Verbindung herstellen" (check button)
    QToolButton* ToolButton12; // "Datenabruf vom Gerätetester"
    QToolButton* ToolButton3;  // "gespeicherte Daten"
    QToolButton* ToolButton5;  // "Barcodes"
    QToolButton* ToolButton7;  // "Einstellungen"
    QToolButton* ToolButton8;  // "Hinweise ein/aus" (check button)
    QToolButton* ToolButton11; // "Messmodus einstellen"
    QToolButton* ToolButton9;  // "Hilfe anzeigen"
    QToolButton* ToolButton2;  // "Programm beenden"
    QToolButton* Image1;       // "Sicherheitshinweise"

    // ---- settings panel "Gerätetestereinstellung" ----
    QGroupBox* GroupBox1;
    TRadioGroup* RadioGroup1; // "DIN/VDE"
    TRadioGroup* RadioGroup3; // "Messablauf"
    TRadioGroup* RadioGroup4; // "Grenzwerte"
    TRadioGroup* RadioGroup2; // "Isolationsprüfung"
    TRadioGroup* RadioGroup5; // "Berührungsstrom"
    QGroupBox* GroupBox2;     // "Schutzklasse"
    QComboBox* ComboBox1;     // "I", "II", "III"
    QCheckBox* CheckBox1;     // "Steuerbarcode"
    QCheckBox* CheckBox2;     // "Einstellsperre"
    QLabel* Label26;          // "Sichtpr.best."
    QComboBox* ComboBox2;     // "----", "nein", "ja"
    QLabel* Label27;          // "Messzeit"
    TFloatEdit* FloatEdit1;
    QLabel* Label28; // "s"
    QLabel* Label5;  // "gespeichert:"
    QLabel* Label21; // stored records
    QLabel* Label6;  // "freie Bytes:"
    QLabel* Label22; // free bytes

    // ---- limits "Grenzwertanzeige / Einstellung" ----
    QGroupBox* GroupBox3;
    QLabel* Label2;  // "Schutzleiterwiderstand"
    QLabel* Label3;  // "Isolationswiderstand"
    QLabel* Label4;  // "Ersatzableitstrom"
    QLabel* Label23; // "mOhm"
    QLabel* Label24; // "MOhm"
    QLabel* Label25; // "mA"
    QSlider* TrackBar1;
    QSlider* TrackBar2;
    QSlider* TrackBar3;

    // ---- measured values ----
    QGroupBox* GroupBox4;
    // Row captions in MeasurementBits order: Label7, Label8, Label9, Label13, Label14, Label15, Label16.
    QLabel *Label7, *Label8, *Label9, *Label13, *Label14, *Label15, *Label16;
    // Units: Label10, Label11, Label12, Label17, Label18, Label19, Label20.
    QLabel *Label10, *Label11, *Label12, *Label17, *Label18, *Label19, *Label20;
    // Limit exceeded: Label43, Label44, Label45, Label29, Label47, Label31, Label49.
    QLabel *Label43, *Label44, *Label45, *Label29, *Label47, *Label31, *Label49;
    QLabel* Label46; // "(Grenzwert < 3,5 mA)"
    QLabel* Label48; // "(Grenzwert < 0,5 mA)"
    QLabel* Image3;

    // Digits 1 to 50; each row of five is chained from its head, the rightmost digit:
    // limit rows 1, 6, 11; value rows 16, 21, 26, 31, 36, 41, 46.
    TDigit* Digit(int number) const { return digits_.at(static_cast<size_t>(number - 1)); }
    TDigit *Digit1, *Digit6, *Digit11, *Digit16, *Digit21, *Digit26, *Digit31, *Digit36, *Digit41, *Digit46;

    // State labels, an inactive (A) and an active (B) one at the same place.
    QLabel *Label33, *Label39; // "Umschalt"
    QLabel *Label36, *Label41; // "Abbruch"
    QLabel *Label37, *Label40; // "Grenzwert"
    QLabel *Label38, *Label42; // "Not-Aus"
    QLabel* Label30;           // name of the running test step
    QLabel* Label32;           // "ACHTUNG! 230 V~ 16A an Prüfdose"

    // ---- test buttons ----
    QPushButton* BitBtn1; // "Prüfung Start"
    QPushButton* BitBtn2; // "Prüfung weiter"
    QPushButton* BitBtn3; // "Abbrechen"
    QPushButton* BitBtn4; // "&Drucken"
    QPushButton* BitBtn5; // "Speicher CLR"

    // ---- status bar ----
    TStatusBar* StatusBar1;
    TLEDPaint* LEDPaint1; // send
    TLEDPaint* LEDPaint2; // receive

    // ---- state ----
    MainWindowSettings Settings; // Port, BusLog, COMLog, PgmLog, SettingDelay, DlgDelay, ...
    bool PollMode = false;
    THousekeeping Counters;
    TLinkRefresh Refresh;
    TMsgData AutosendList;
    TWerteSatz WerteSatz;
    // Running step, settings hold counter, pending manual limits, start-button countdown and
    // what the live display and the panel show; copied into the controls by ShowLiveState.
    TLiveState LiveState;
    // One synchronous exchange with the tester at a time, for every writer of the program.
    TExchangeGate ExchangeGate;
    // The tester over SynchroBus1, for every part of the program that talks to it.
    TTesterLink Link{
        *SynchroBus1,
        ExchangeGate,
        {[this] { return IsConnected(); }, [this] { PauseRefresh(); }, [this] { ResumeRefresh(); }}};
    TTesterSettings TesterSettings{Link};
    TTesterLanguage TesterLanguage{Link};
    TLiveDisplay LiveDisplay{LiveState, WerteSatz, Link, TesterSettings};
    TSettingsPanel Panel{LiveState, Link, TesterSettings};
    TKeyCommands Keys{LiveState, Link, TesterSettings};
    // What the measuring-mode dialog writes through.
    TModeWriterParts ModeWriterParts() {
        return {Link, TesterSettings, LiveState.SettingsHold, Settings.SettingDelay};
    }

    // ---- start-up, shut-down, program log ----
    void FormCreate();
    void FormDestroy();
    void LoadIniSettings();
    void SaveIniSettings();
    void WriteProgramLog(const std::string& text);
    void Timer1Timer();
    void TickActivityLed(TLEDPaint& led, int& counter);
    void SynchroBus1CateSend(TSynchroBus& sender, const TProtok& msg);
    void SynchroBus1CateSent(TSynchroBus& sender, const TProtok& msg, bool success);
    void SynchroBus1CharReceived(TSynchroBus& sender, uint8_t recChar, bool accepted);
    void SynchroBus1SendMsg(TSynchroBus& sender, const TProtok& msg);
    void SynchroBus1MsgReceived(TSynchroBus& sender, const TProtok& msg);

    // ---- connection ----
    void ChoosePort();
    void whlen1Click();
    void ToolButton1Click();
    void ConnectOrDisconnect();
    void ToolButton10Click();
    void verbinden1Click();
    void ToolButton2Click();
    void Beenden1Click();
    QString GetProgramVersion();
    QString GetSerialNumber();
    void ResetConnectionUi();
    void ClearMeasuredValues();
    void EnableSettingsUi();
    bool IsConnected() const;

    // ---- refresh ----
    void Timer2Timer();
    void SendRefresh();
    void PollNextInfo();
    void PauseRefresh();
    void ResumeRefresh();
    void SynchroBus1MsgUnhandled(TSynchroBus& sender, const TProtok& msg);
    void StoreLimits1(const TProtok& msg);
    void StoreLimits2(const TProtok& msg);
    void StoreRecordCount(const TProtok& msg);
    void StoreFlags(const TProtok& msg);
    void StoreMeasured1(const TProtok& msg);
    void StoreMeasured2(const TProtok& msg);
    void StoreRawValue(const TProtok& msg);
    void StoreSequenceFlags(const TProtok& msg);
    void ApplyPendingMessage(int kind);
    void ApplicationIdle();

    // The live display: each reads the data bytes of its buffer (Refresh.Buffer(kind)) and
    // first clears its own pending bit.
    void ApplyLimits1();
    void ApplyLimits2();
    void ApplyRecordCount();
    void ApplyFlags();
    void ApplyMeasured1();
    void ApplyMeasured2();
    void ApplyRawValue();
    void ApplySequenceFlags();

    // The kind table: store and apply routine of each kept kind, in kind order.
    using TStoreRoutine = void (TForm1::*)(const TProtok&);
    using TApplyRoutine = void (TForm1::*)();
    static const std::array<TStoreRoutine, RefreshKindCount> StoreRoutines;
    static const std::array<TApplyRoutine, RefreshKindCount> ApplyRoutines;

    // ---- tester language ----
    QString GetTesterLanguage();
    void GetTesterLanguageList(int& Current, QString& List);
    void SetTesterLanguage(const QString& Code);
    void Sprache1Click();

    // ---- used by the live display ----
    void SwapVisible(QWidget* A, QWidget* B, bool Flag);
    void SendCommand40();
    // Copies the live state into the controls without running their handlers; a control
    // with the input focus keeps what the user is entering.
    void ShowLiveState();

    // ---- settings panel (user changes only) ----
    void RadioGroup1Click();
    void RadioGroup3Click();
    void RadioGroup2Click();
    void RadioGroup5Click();
    void ComboBox1Change();
    void RadioGroup4Click();
    void CheckBox1Click();
    void CheckBox2Click();
    void ComboBox2Change();
    void FloatEdit1Exit();
    void FloatEdit1KeyDown(int& Key);
    void TrackBar1Change();
    void TrackBar2Change();
    void TrackBar3Change();

    // ---- tool bar and menu commands ----
    void BitBtn4Click();
    void ToolButton12Click();
    void ToolButton3Click();
    void ToolButton5Click();
    void Barcode1Click();
    void ToolButton7Click();
    void ToolButton11Click();
    void ToolButton8Click();
    void Hinweise1Click();
    void Image1Click();
    void Info1Click();
    void ToolButton9Click();
    void Index1Click();
    void Hilfebenutzen1Click();
    // Tool tips of the window's controls are shown.
    bool ShowHints() const;

    // ---- key commands ----
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn5Click();

    bool ProgramLogActive() const { return programLog_.IsOpen(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createComponents();
    void createPortComponent();
    void destroyPortComponent();
    void createMenus();
    void createToolBar();
    void createSettingsPanel(QWidget* client);
    void createLimitPanel(QWidget* client);
    void createValuePanel(QWidget* client);
    void createLowerPanel(QWidget* client);
    void createStatusBar();
    void bindHandlers();
    void bindPanelHandlers();
    void bindCommandHandlers();
    TPanelFocus panelFocus() const;

    // The port component: open by number (false when it stays closed), close, port log.
    bool openPort(int number);
    void closePort();
    void setPortLog(const QString& name);

    // Sends "stop sending" at once, even while the bus waits for an earlier frame.
    void sendAutosendOff();
    // The connect steps once the port is open; false when the link went away meanwhile.
    bool identifyTester();
    void syncConnectButton();

    QString iniFileName_;
    TProgramLog programLog_;
    std::array<TDigit*, 50> digits_{};
    bool formDestroyed_ = false;
    bool connecting_ = false;   // a connect or disconnect is running
    bool connectAgain_ = false; // the button changed while one was running
};

// The program's main window.
inline TForm1* Form1 = nullptr;
