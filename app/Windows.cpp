#include "app/Windows.h"

#include "app/AboutBox.h"
#include "app/EinstellungenDlg.h"
#include "app/MainForm.h"
#include "app/MessmodusDlg.h"
#include "app/NetzspgWarnWin.h"
#include "app/SchnittstelleDlg.h"
#include "app/SplashScreen.h"
#include "app/SprachEinstDlg.h"
#include "platform/help.h"
#include "platform/log_sink.h"
#include "platform/translation.h"
#include "printing/BarcdWahlDlg.h"
#include "printing/ConfigBarcodes.h"
#include "printing/Pruefprot.h"
#include "printing/Steuerbarcodes.h"
#include "records/AuswListeDlg.h"
#include "records/DatenabrufDlg.h"
#include "records/DatenanzeigeDlg.h"
#include "records/NeuKundeDlg.h"
#include "records/NeuPrueflingDlg.h"
#include "records/ProgramDatabase.h"
#include "records/PrueflingDlg.h"
#include "records/RecordWindows.h"
#include "tester/Globals.h"
#include "tester/IniSettings.h"

#include <QApplication>
#include <QFont>
#include <QLocale>

void SetUpApplication(const QLocale& locale) {
    // No display name: Qt would append it to every window title.
    QApplication::setApplicationName(QStringLiteral("Gerätetester"));
    // The windows are laid out in pixels for a sans-serif font of 11 pixels.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    QApplication::setFont(font);
    platform::setHelpFile(QStringLiteral("Kovent.html"));
    platform::Database::SetDefaultOpener([] { return OpenProgramDatabase(); });
    // Without the translation Qt's dialogs stay English; the program runs all the same.
    platform::loadQtTranslation();
    Globals::DecimalSeparator = Globals::SeparatorOfLocale(locale);
    // The main window ends the program when it closes, even while other windows are shown.
    QApplication::setQuitOnLastWindowClosed(false);
}

void CreateProgramWindows() {
    Form1 = new TForm1;
    // What the platform layer notes (an exception no handler caught, a database file without
    // write-ahead) goes to the program log.
    platform::setLogSink([](const std::string& text) {
        if (Form1)
            Form1->WriteProgramLog(text);
    });
    SchnittstelleDlg = new TSchnittstelleDlg;
    MessmodusDlg = new TMessmodusDlg;
    DatenanzeigeDlg = new TDatenanzeigeDlg;
    DatenabrufDlg = new TDatenabrufDlg(Form1->Link, ProgramIniFileName());
    PrueflingDlg = new TPrueflingDlg(ProgramIniFileName());
    AboutBox = new TAboutBox;
    EinstellungenDlg = new TEinstellungenDlg;
    Pruefprot = new TPruefprot;
    NeuKundeDlg = new TNeuKundeDlg;
    NeuPrueflingDlg = new TNeuPrueflingDlg;
    BarcdWahlDlg = new TBarcdWahlDlg;
    Steuerbarcodes = new TSteuerbarcodes;
    ConfigBarcodes = new TConfigBarcodes;
    AuswListeDlg = new TAuswListeDlg;
    SprachEinstDlg = new TSprachEinstDlg;
    NetzspgWarnWin = new TNetzspgWarnWin;
    ConnectRecordWindows(*DatenabrufDlg, *PrueflingDlg, *NeuKundeDlg, *NeuPrueflingDlg, DatenanzeigeDlg);
    DatenanzeigeDlg->TesterWriters = &Form1->TesterSettings;
    Pruefprot->TesterLink = &Form1->Link;
    DatenanzeigeDlg->PrintProtocol = [](const TWerteSatz& w, bool preview) {
        if (!Pruefprot)
            return;
        Pruefprot->WerteSatz = w;
        if (preview)
            Pruefprot->QuickRep1.Preview(DatenanzeigeDlg);
        else
            Pruefprot->QuickRep1.Print(DatenanzeigeDlg);
    };
}

namespace {
template <typename T> void destroy(T*& window) {
    delete window;
    window = nullptr;
}
} // namespace

void DestroyProgramWindows() {
    // The main window goes first: its shut-down hides the warning window and may still
    // reach the others.
    platform::setLogSink({});
    // What the others were handed of it goes with it.
    if (DatenanzeigeDlg)
        DatenanzeigeDlg->TesterWriters = nullptr;
    if (Pruefprot)
        Pruefprot->TesterLink = nullptr;
    destroy(Form1);
    destroy(NetzspgWarnWin);
    destroy(SprachEinstDlg);
    destroy(AuswListeDlg);
    destroy(ConfigBarcodes);
    destroy(Steuerbarcodes);
    destroy(BarcdWahlDlg);
    destroy(NeuPrueflingDlg);
    destroy(NeuKundeDlg);
    destroy(Pruefprot);
    destroy(EinstellungenDlg);
    destroy(AboutBox);
    destroy(PrueflingDlg);
    destroy(DatenabrufDlg);
    destroy(DatenanzeigeDlg);
    destroy(MessmodusDlg);
    destroy(SchnittstelleDlg);
    destroy(SplashScreen);
}
