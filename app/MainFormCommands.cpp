// The main window's tool bar and menu commands that open the program's other windows.
#include "app/AboutBox.h"
#include "app/EinstellungenDlg.h"
#include "app/MainForm.h"
#include "app/MessmodusDlg.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "printing/BarcdWahlDlg.h"
#include "printing/Pruefprot.h"
#include "records/DatenabrufDlg.h"
#include "records/DatenanzeigeDlg.h"
#include "tester/LiveProtocol.h"

#include <QApplication>
#include <QEvent>

// Swallows the tool tips of the main window's controls while hints are off.
class THintFilter : public QObject {
public:
    THintFilter(TForm1& form) : QObject(&form), form_(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ToolTip && !form_.ShowHints()) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->window() == &form_)
                return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TForm1& form_;
};

void TForm1::bindCommandHandlers() {
    qApp->installEventFilter(new THintFilter(*this));
    connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
    connect(ToolButton12, &QToolButton::clicked, this, [this] { ToolButton12Click(); });
    connect(Datenabrufen1, &QAction::triggered, this, [this] { ToolButton12Click(); });
    connect(ToolButton3, &QToolButton::clicked, this, [this] { ToolButton3Click(); });
    connect(ffnen1, &QAction::triggered, this, [this] { ToolButton3Click(); });
    connect(ToolButton5, &QToolButton::clicked, this, [this] { ToolButton5Click(); });
    connect(Barcode1, &QAction::triggered, this, [this] { Barcode1Click(); });
    connect(ToolButton7, &QToolButton::clicked, this, [this] { ToolButton7Click(); });
    connect(Einstellungen1, &QAction::triggered, this, [this] { ToolButton7Click(); });
    connect(ToolButton11, &QToolButton::clicked, this, [this] { ToolButton11Click(); });
    connect(einstellen1, &QAction::triggered, this, [this] { ToolButton11Click(); });
    connect(ToolButton8, &QToolButton::clicked, this, [this] { ToolButton8Click(); });
    connect(Hinweise1, &QAction::triggered, this, [this] { Hinweise1Click(); });
    connect(ToolButton9, &QToolButton::clicked, this, [this] { ToolButton9Click(); });
    connect(Index1, &QAction::triggered, this, [this] { Index1Click(); });
    connect(Hilfebenutzen1, &QAction::triggered, this, [this] { Hilfebenutzen1Click(); });
    connect(Info1, &QAction::triggered, this, [this] { Info1Click(); });
    connect(Image1, &QToolButton::clicked, this, [this] { Image1Click(); });
}

void TForm1::BitBtn4Click() {
    if (!Pruefprot)
        return;
    // The live record keeps no visual inspection: it comes from the tester's last settings block.
    const TesterSettingsBlock flags =
        TesterSettingsBlock::FromFrame(Refresh.Buffer(RefreshKindOfCode(MsgQueryFlags)));
    const bool pending = flags.d[TesterSettingsBlock::Schutzklasse] & TesterSettingsBlock::VisualCheckPending;
    Pruefprot->WerteSatz =
        LiveProtocolRecord(WerteSatz, pending, QDate::currentDate(), Globals::TesterSerialNumber,
                           Globals::Operator, Link.FirmwareLevel());
    if (Globals::Preview)
        Pruefprot->QuickRep1.Preview();
    else
        Pruefprot->QuickRep1.Print();
}

bool TForm1::ShowHints() const {
    return ToolButton8->isChecked();
}

void TForm1::ToolButton12Click() {
    if (!DatenabrufDlg)
        return;
    if (!IsConnected()) {
        DatenabrufDlg->exec();
        return;
    }
    Timer2->SetEnabled(false);
    WriteProgramLog("Timer 2 disabled");
    PauseRefresh();
    Link.SendMsg(MsgSetAutosend, TMsgData{0});
    ClearMeasuredValues();
    DatenabrufDlg->exec();
    if (IsConnected()) {
        EnableSettingsUi();
        ResumeRefresh();
    }
    Timer2->SetEnabled(true);
    WriteProgramLog("Timer 2 enabled");
}

void TForm1::ToolButton3Click() {
    if (DatenanzeigeDlg)
        DatenanzeigeDlg->exec();
}

void TForm1::ToolButton5Click() {
    if (BarcdWahlDlg)
        BarcdWahlDlg->exec();
}

void TForm1::Barcode1Click() {
    ToolButton5Click();
}

void TForm1::ToolButton7Click() {
    if (EinstellungenDlg)
        EinstellungenDlg->Execute();
}

void TForm1::ToolButton11Click() {
    if (MessmodusDlg)
        MessmodusDlg->Execute(ModeWriterParts());
}

void TForm1::ToolButton8Click() {
    Hinweise1->setChecked(ToolButton8->isChecked());
}

void TForm1::Hinweise1Click() {
    // The menu action ticks itself before this runs; the switch follows the tool button.
    const bool on = !ToolButton8->isChecked();
    ToolButton8->setChecked(on);
    Hinweise1->setChecked(on);
}

void TForm1::Image1Click() {
    platform::messageBox(SafetyNoteText(), platform::MessageButtons::Ok, platform::MessageIcon::Exclamation);
}

void TForm1::Info1Click() {
    if (AboutBox)
        AboutBox->exec();
}

void TForm1::ToolButton9Click() {
    platform::showHelpIndex();
}

void TForm1::Index1Click() {
    platform::showHelpIndex();
}

void TForm1::Hilfebenutzen1Click() {
    platform::showHelpOnHelp();
}
