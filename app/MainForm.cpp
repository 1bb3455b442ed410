#include "app/MainForm.h"

#include "app/NetzspgWarnWin.h"
#include "app/SchnittstelleDlg.h"
#include "app/SplashScreen.h"
#include "app/SprachEinstDlg.h"
#include "platform/idle_event.h"
#include "platform/message_box.h"
#include "platform/window_place.h"
#include "records/DatenanzeigeDlg.h"
#include "tester/Identification.h"
#include "tester/TesterMessages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>

const std::array<TForm1::TStoreRoutine, RefreshKindCount> TForm1::StoreRoutines{
    &TForm1::StoreLimits1,   &TForm1::StoreLimits2,   &TForm1::StoreRecordCount, &TForm1::StoreFlags,
    &TForm1::StoreMeasured1, &TForm1::StoreMeasured2, &TForm1::StoreRawValue,    &TForm1::StoreSequenceFlags,
};

const std::array<TForm1::TApplyRoutine, RefreshKindCount> TForm1::ApplyRoutines{
    &TForm1::ApplyLimits1,   &TForm1::ApplyLimits2,   &TForm1::ApplyRecordCount, &TForm1::ApplyFlags,
    &TForm1::ApplyMeasured1, &TForm1::ApplyMeasured2, &TForm1::ApplyRawValue,    &TForm1::ApplySequenceFlags,
};

TForm1::TForm1(const QString& iniFileName, QWidget* owner) : QMainWindow(owner), iniFileName_(iniFileName) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Gerätetester"));
    // The designed place: the default of the configured position. Left and Top are the frame's
    // corner, as x() and y() read it when the settings are saved.
    move(Settings.Left, Settings.Top);
    platform::placeOnShow(*this, platform::Placement::Kept);
    createComponents();
    createMenus();
    createToolBar();
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    client->setFixedSize(660, 578);
    setCentralWidget(client);
    createSettingsPanel(client);
    createLimitPanel(client);
    createValuePanel(client);
    createLowerPanel(client);
    createStatusBar();
    bindHandlers();
    FormCreate();
}

TForm1::~TForm1() {
    FormDestroy();
    platform::setIdleHandler({});
    destroyPortComponent();
}

// ---------------------------------------------------------------- components and handlers

void TForm1::createComponents() {
    SynchroBus1->setObjectName(QStringLiteral("SynchroBus1"));
    createPortComponent();
    Timer1 = new platform::TTimer(this);
    Timer1->SetInterval(100);
    Timer2 = new platform::TTimer(this);
    Timer2->SetInterval(100);
    // A user's action that waited for an exchange runs from the event loop, never inside
    // the code that held the gate.
    ExchangeGate.SetScheduler([this](TExchangeGate::TAction action) { QTimer::singleShot(0, this, action); });
    AutosendList = SynchroBus1->IntToMsgData(AutosendMask);
}

void TForm1::bindHandlers() {
    Timer1->OnTimer = [this] { Timer1Timer(); };
    Timer2->OnTimer = [this] { Timer2Timer(); };
    SynchroBus1->OnCateSend = [this](TSynchroBus& s, const TProtok& m) { SynchroBus1CateSend(s, m); };
    SynchroBus1->OnCateSent = [this](TSynchroBus& s, const TProtok& m, bool ok) {
        SynchroBus1CateSent(s, m, ok);
    };
    SynchroBus1->OnCharReceived = [this](TSynchroBus& s, uint8_t c, bool a) {
        SynchroBus1CharReceived(s, c, a);
    };
    SynchroBus1->OnSendMsg = [this](TSynchroBus& s, const TProtok& m) { SynchroBus1SendMsg(s, m); };
    SynchroBus1->OnMsgReceived = [this](TSynchroBus& s, const TProtok& m) { SynchroBus1MsgReceived(s, m); };
    SynchroBus1->OnMsgUnhandled = [this](TSynchroBus& s, const TProtok& m) { SynchroBus1MsgUnhandled(s, m); };

    connect(whlen1, &QAction::triggered, this, [this] { whlen1Click(); });
    connect(ToolButton1, &QToolButton::clicked, this, [this] { ToolButton1Click(); });
    connect(ToolButton10, &QToolButton::clicked, this, [this] { ToolButton10Click(); });
    connect(verbinden1, &QAction::triggered, this, [this] { verbinden1Click(); });
    connect(ToolButton2, &QToolButton::clicked, this, [this] { ToolButton2Click(); });
    connect(Beenden1, &QAction::triggered, this, [this] { Beenden1Click(); });
    connect(Sprache1, &QAction::triggered, this, [this] { Sprache1Click(); });
    bindPanelHandlers();
    bindCommandHandlers();
}

// ---------------------------------------------------------------- start-up and shut-down

void TForm1::FormCreate() {
    Refresh.Reset();
    Globals::FirmwareLevel = 0;
    // The LEDs sit in the last panel, which nothing else writes.
    LEDPaint1->setParent(StatusBar1->Panel(6));
    LEDPaint2->setParent(StatusBar1->Panel(6));
    LEDPaint1->setGeometry(8, 3, 14, 14);
    LEDPaint2->setGeometry(28, 3, 14, 14);
    LEDPaint1->show();
    LEDPaint2->show();
    Image3->show();

    LoadIniSettings();
    Timer2->SetInterval(PollMode ? Globals::PollIntervalMs(Settings.DlgDelay) : 100);
    // A log that cannot be created is off for this run; the configured name stays.
    if (!Settings.PgmLog.isEmpty())
        programLog_.Create(Settings.PgmLog.toStdString());
    WriteProgramLog("Programmstart");
    SynchroBus1->SetMsgTimeOut(Globals::BusMsgTimeOut());
    SynchroBus1->SetCharTimeOut(Globals::BusCharTimeOut());
    SynchroBus1->SetLateAnswerWait(Globals::LateAnswerWaitMs());
    WerteSatz = TWerteSatz();
    LiveState.PendingLimit.fill(false);
    LiveState.RunningStep = 0;
    LiveState.SettingDelay = Settings.SettingDelay;
    ResetConnectionUi();
    Counters.SendLed = Counters.ReceiveLed = 0;
    PauseRefresh();
    LiveState.StartCountdown = 0;
    LiveState.SettingsHold = 0;
    Counters.Splash = 8;
    platform::setIdleHandler([this] { ApplicationIdle(); });
    SynchroBus1->SetLogFile(Settings.BusLog.toStdString());
    StatusBar1->SetPanelText(5, QString());
}

void TForm1::FormDestroy() {
    if (formDestroyed_)
        return;
    formDestroyed_ = true;
    PauseRefresh();
    if (IsConnected())
        sendAutosendOff();
    setPortLog(QString());
    closePort();
    SynchroBus1->SetLogFile(std::string());
    WriteProgramLog("Programmende");
    WriteProgramLog("------------");
    programLog_.Close();
    SaveIniSettings();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program, whatever else is shown.
    event->accept();
    QCoreApplication::quit();
}

void TForm1::LoadIniSettings() {
    Settings.Left = x();
    Settings.Top = y();
    ::LoadIniSettings(iniFileName_, Settings);
    move(Settings.Left, Settings.Top);
    ToolButton8->setChecked(Settings.ShowHints);
    Hinweise1->setChecked(Settings.ShowHints);
    StatusBar1->SetPanelText(1, PortPanelText(Settings.Port));
}

void TForm1::SaveIniSettings() {
    Settings.Left = x();
    Settings.Top = y();
    Settings.ShowHints = ToolButton8->isChecked();
    QString error;
    if (!::SaveIniSettings(iniFileName_, Settings, &error))
        platform::messageBox(error, platform::MessageButtons::Ok, platform::MessageIcon::Stop);
}

void TForm1::WriteProgramLog(const std::string& text) {
    programLog_.Write(text);
}

void TForm1::TickActivityLed(TLEDPaint& led, int& counter) {
    led.SetLEDOn(THousekeeping::TickActivityLed(counter));
}

void TForm1::Timer1Timer() {
    TickActivityLed(*LEDPaint1, Counters.SendLed);
    TickActivityLed(*LEDPaint2, Counters.ReceiveLed);
    const THousekeeping::TResult r = Counters.Tick(IsConnected(), SplashScreen != nullptr);
    if (r.InactivityTimeout) {
        WriteProgramLog("Time-Out durch ActiveCtr");
        ToolButton10->setChecked(false);
        ConnectOrDisconnect();
    }
    if (r.FreeSplash && SplashScreen) {
        delete SplashScreen;
        SplashScreen = nullptr;
    }
    // The settings hold counter and the start-button countdown; the countdown's end enables
    // "Prüfung Start" before it sends command $40.
    LiveState.Display.BitBtn1Enabled = BitBtn1->isEnabled();
    Keys.Timer1Tick();
    BitBtn1->setEnabled(LiveState.Display.BitBtn1Enabled);
}

void TForm1::SynchroBus1CateSend(TSynchroBus&, const TProtok&) {
    if (IsConnected())
        Counters.SendLed = 2;
}

void TForm1::SynchroBus1CateSent(TSynchroBus&, const TProtok&, bool success) {
    if (IsConnected() && !success)
        Counters.SendLed = 2;
}

void TForm1::SynchroBus1CharReceived(TSynchroBus&, uint8_t, bool) {
    Counters.ReceiveLed = 2;
}

void TForm1::SynchroBus1SendMsg(TSynchroBus&, const TProtok& msg) {
    WriteProgramLog(SentMsgLogLine(msg));
}

void TForm1::SynchroBus1MsgReceived(TSynchroBus&, const TProtok& msg) {
    WriteProgramLog(ReceivedMsgLogLine(msg));
    if (Counters.ActiveCtr > 0)
        Counters.ActiveCtr = Globals::InactivityTicks();
}

// ---------------------------------------------------------------- connection

void TForm1::ChoosePort() {
    TSchnittstelleDlg* dlg = SchnittstelleDlg;
    if (!dlg)
        return;
    dlg->RadioGroup1->SetItemIndex(Settings.Port - 1);
    if (dlg->exec() != QDialog::Accepted)
        return;
    // OK with no port chosen keeps the port.
    const int index = dlg->RadioGroup1->ItemIndex();
    if (index < 0)
        return;
    Settings.Port = static_cast<uint8_t>(index + 1);
    StatusBar1->SetPanelText(1, PortPanelText(Settings.Port));
}

void TForm1::whlen1Click() {
    ChoosePort();
}

void TForm1::ToolButton1Click() {
    ChoosePort();
}

void TForm1::ToolButton10Click() {
    ConnectOrDisconnect();
}

void TForm1::verbinden1Click() {
    ToolButton10->setChecked(!ToolButton10->isChecked());
    ConnectOrDisconnect();
}

void TForm1::ToolButton2Click() {
    close();
}

void TForm1::Beenden1Click() {
    close();
}

void TForm1::syncConnectButton() {
    ToolButton10->setChecked(IsConnected());
    ToolButton1->setEnabled(!ToolButton10->isChecked());
    verbinden1->setChecked(ToolButton10->isChecked());
}

void TForm1::ConnectOrDisconnect() {
    // The identification waits in the event loop; a click or the inactivity time-out
    // meanwhile is taken up once the running sequence has ended.
    if (connecting_) {
        connectAgain_ = true;
        return;
    }
    connecting_ = true;
    TExchangeGate::TScope exchange(ExchangeGate);
    do {
        connectAgain_ = false;
        if (ToolButton10->isChecked()) {
            if (!IsConnected()) {
                WriteProgramLog("COM wird geöffnet");
                Counters.ActiveCtr = 2 * Globals::InactivityTicks();
                setPortLog(Settings.COMLog);
                openPort(Settings.Port);
            }
        } else {
            if (IsConnected() && Refresh.RefreshCounter() >= 1) {
                WriteProgramLog("lfd. Übertragung beenden");
                Refresh.SetRefreshCounter(0);
                sendAutosendOff();
            }
            WriteProgramLog("COM wird geschlossen");
            closePort();
        }
        // A click while the port opened or closed left its wish in the button: keep it.
        if (!connectAgain_)
            syncConnectButton();
        if (IsConnected()) {
            if (!identifyTester())
                ResetConnectionUi();
        } else {
            ResetConnectionUi();
        }
        // Run again only for a wish that differs from the state reached.
    } while (connectAgain_ && ToolButton10->isChecked() != IsConnected());
    connectAgain_ = false;
    syncConnectButton();
    connecting_ = false;
}

bool TForm1::identifyTester() {
    EnableSettingsUi();
    WriteProgramLog("COM ist verbunden");
    StatusBar1->SetPanelText(0, QStringLiteral("Verbunden"));
    Sprache1->setEnabled(true);
    Globals::TesterSerialNumber = GetSerialNumber();
    if (!IsConnected())
        return false;
    StatusBar1->SetPanelText(2, QStringLiteral("SerNo. ") + Globals::TesterSerialNumber);
    const QString version = GetProgramVersion();
    if (!IsConnected())
        return false;
    StatusBar1->SetPanelText(3, QStringLiteral("PgmVers. ") + version);
    StatusBar1->SetPanelText(4, GetTesterLanguage());
    if (!IsConnected())
        return false;
    SetTesterLanguage(QStringLiteral("de"));
    if (!IsConnected())
        return false;
    AutosendList = SynchroBus1->IntToMsgData(AutosendMask);
    Refresh.SetPollIndex(0);
    SendRefresh();
    // Also a polled tester needs the refresh timer, which nothing else has started yet.
    Timer2->SetEnabled(true);
    LiveState.SettingDelay = Settings.SettingDelay;
    Keys.StartCountdownAtConnect();
    return true;
}

QString TForm1::GetSerialNumber() {
    return ::GetSerialNumber(Link);
}

QString TForm1::GetProgramVersion() {
    const TProgramVersion v = ::GetProgramVersion(Link);
    Globals::FirmwareLevel = v.FirmwareLevel;
    if (v.LinkLost)
        return v.Version;
    if (v.Answered) {
        PollMode = v.FirmwareLevel == 0;
        Timer2->SetInterval(PollMode ? Globals::PollIntervalMs(Settings.DlgDelay) : 100);
    }
    StatusBar1->SetPanelText(5, FirmwareLevelPanelText(v.FirmwareLevel));
    TrackBar1->setMaximum(PeTrackBarMax(v.FirmwareLevel));
    return v.Version;
}

void TForm1::EnableSettingsUi() {
    for (QWidget* w : std::initializer_list<QWidget*>{RadioGroup1, RadioGroup2, ComboBox1, Label5, Label6,
                                                      CheckBox1, CheckBox2, Label27, Label28, FloatEdit1,
                                                      RadioGroup3, RadioGroup4, ToolButton11, ToolButton12})
        w->setEnabled(true);
    const bool visualCheck = Link.FirmwareLevel() >= 1;
    LiveState.Panel.ComboBox2Enabled = visualCheck;
    ComboBox2->setEnabled(visualCheck);
    Label26->setEnabled(visualCheck);
}

void TForm1::ResetConnectionUi() {
    LiveDisplay.ResetConnection();
    ShowLiveState();
    for (QWidget* w :
         std::initializer_list<QWidget*>{RadioGroup1, RadioGroup2, ComboBox1, ComboBox2, Label26, Label5,
                                         Label6, RadioGroup3, RadioGroup4, RadioGroup5, CheckBox1, CheckBox2,
                                         Label27, Label28, FloatEdit1, TrackBar1, TrackBar2, TrackBar3})
        w->setEnabled(false);
    StatusBar1->SetPanelText(0, QStringLiteral("Keine Verbindung"));
    Sprache1->setEnabled(false);
    StatusBar1->SetPanelText(2, QStringLiteral("SerNo."));
    Globals::TesterSerialNumber.clear();
    StatusBar1->SetPanelText(3, QStringLiteral("PgmVers."));
    StatusBar1->SetPanelText(4, QString());
    ToolButton11->setEnabled(false);
    ToolButton12->setEnabled(true);
    Globals::FirmwareLevel = 0;
    StatusBar1->SetPanelText(5, QString());
}

void TForm1::ClearMeasuredValues() {
    LiveDisplay.ClearMeasuredValues();
    ShowLiveState();
}

void TForm1::SwapVisible(QWidget* A, QWidget* B, bool Flag) {
    B->setVisible(Flag);
    A->setVisible(!Flag);
}

void TForm1::SendCommand40() {
    TesterSettings.SendCommand40();
}

// ---------------------------------------------------------------- refresh

void TForm1::Timer2Timer() {
    if (Refresh.Tick(IsConnected()))
        SendRefresh();
}

void TForm1::SendRefresh() {
    if (PollMode) {
        PollNextInfo();
        return;
    }
    WriteProgramLog("Auffrischung senden");
    Refresh.SetRefreshCounter(Globals::RefreshTicks());
    Link.SendMsg(MsgSetAutosend, AutosendList);
}

void TForm1::PollNextInfo() {
    WriteProgramLog(PollLogLine(Refresh.PollIndex()));
    Refresh.SetRefreshCounter(1);
    Link.SendMsg(Refresh.TakePollCode(), TMsgData());
}

void TForm1::PauseRefresh() {
    Timer2->SetEnabled(false);
    Refresh.SetRefreshCounter(0);
    Counters.ActiveCtr = 0;
}

void TForm1::ResumeRefresh() {
    Counters.ActiveCtr = Globals::InactivityTicks();
    Refresh.SetPollIndex(0);
    Timer2->SetEnabled(true);
    SendRefresh();
}

void TForm1::SynchroBus1MsgUnhandled(TSynchroBus&, const TProtok& msg) {
    const int kind = RefreshKindOfFrame(msg);
    if (kind < 0)
        return;
    (this->*StoreRoutines[static_cast<size_t>(kind)])(msg);
    if (!PollMode)
        return;
    (this->*ApplyRoutines[static_cast<size_t>(kind)])();
    if (Counters.ActiveCtr > 0)
        Counters.ActiveCtr = Globals::InactivityTicks();
}

// In autosend mode a frame waits for the idle handler; in poll mode it is applied at once.
void TForm1::StoreLimits1(const TProtok& msg) {
    Refresh.Store(msg, !PollMode);
}
void TForm1::StoreLimits2(const TProtok& msg) {
    Refresh.Store(msg, !PollMode);
}
void TForm1::StoreRecordCount(const TProtok& msg) {
    Refresh.Store(msg, !PollMode);
}
void TForm1::StoreFlags(const TProtok& msg) {
    Refresh.Store(msg, !PollMode);
}
void TForm1::StoreMeasured1(const TProtok& msg) {
    Refresh.Store(msg, !PollMode);
}
void TForm1::StoreMeasured2(const TProtok& msg) {
    Refresh.Store(msg, !PollMode);
}
void TForm1::StoreRawValue(const TProtok& msg) {
    Refresh.Store(msg, !PollMode);
}
void TForm1::StoreSequenceFlags(const TProtok& msg) {
    Refresh.Store(msg, !PollMode);
}

void TForm1::ApplyPendingMessage(int kind) {
    if (kind < 0 || kind >= RefreshKindCount)
        return;
    // The routine clears the bit itself, first: a frame of its kind that arrives while it
    // waits for the tester stays pending.
    (this->*ApplyRoutines[static_cast<size_t>(kind)])();
}

void TForm1::ApplicationIdle() {
    if (DatenanzeigeDlg)
        DatenanzeigeDlg->BitBtn4->setEnabled(IsConnected());
    if (!IsConnected()) {
        Keys.IdleDisconnected();
        BitBtn1->setEnabled(false);
    }
    const int kind = Refresh.IdleStep(IsConnected());
    if (kind >= 0)
        ApplyPendingMessage(kind);
}

// ---------------------------------------------------------------- tester language

QString TForm1::GetTesterLanguage() {
    return TesterLanguage.GetTesterLanguage();
}

void TForm1::GetTesterLanguageList(int& Current, QString& List) {
    TesterLanguage.GetTesterLanguageList(Current, List);
}

void TForm1::SetTesterLanguage(const QString& Code) {
    TesterLanguage.SetTesterLanguage(Code,
                                     [this](const QString& code) { StatusBar1->SetPanelText(4, code); });
}

void TForm1::Sprache1Click() {
    if (!IsConnected() || Link.FirmwareLevel() < 1 || !SprachEinstDlg)
        return;
    TExchangeGate::TScope exchange(ExchangeGate);
    if (!exchange.Acquired())
        return;
    int current = 0;
    QString list;
    GetTesterLanguageList(current, list);
    const TLanguageChoice choice = LanguageChoice(list, current);
    SprachEinstDlg->ListBox1->clear();
    SprachEinstDlg->ListBox1->addItems(choice.Items);
    SprachEinstDlg->ListBox1->setCurrentRow(choice.Selected);
    if (choice.Selected < 0)
        SprachEinstDlg->ListBox1->clearSelection();
    if (SprachEinstDlg->exec() != QDialog::Accepted)
        return;
    const QListWidgetItem* item = SprachEinstDlg->ListBox1->currentItem();
    if (!item || !item->isSelected() || !IsConnected())
        return;
    SetTesterLanguage(item->text().left(2));
}

// ---------------------------------------------------------------- link

void TForm1::sendAutosendOff() {
    // Straight to the port: the bus would hold it back while an earlier frame awaits its
    // answer, and the port closes right after.
    Link.SendMsgNow(MsgSetAutosend, TMsgData(1, '\0'));
}
