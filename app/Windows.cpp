#include "app/Windows.h"

#include "app/AboutBox.h"
#include "app/EinstellungenDlg.h"
#include "app/MainForm.h"
#include "app/MessmodusDlg.h"
#include "app/NetzspgWarnWin.h"
#include "app/SchnittstelleDlg.h"
#include "app/SplashScreen.h"
#include "app/SprachEinstDlg.h"
#include "printing/BarcdWahlDlg.h"
#include "printing/ConfigBarcodes.h"
#include "printing/Pruefprot.h"
#include "printing/Steuerbarcodes.h"
#include "records/AuswListeDlg.h"
#include "records/DatenabrufDlg.h"
#include "records/DatenanzeigeDlg.h"
#include "records/NeuKundeDlg.h"
#include "records/NeuPrueflingDlg.h"
#include "records/PrueflingDlg.h"

void CreateProgramWindows() {
    Form1 = new TForm1;
    SchnittstelleDlg = new TSchnittstelleDlg;
    MessmodusDlg = new TMessmodusDlg;
    DatenanzeigeDlg = new TDatenanzeigeDlg;
    DatenabrufDlg = new TDatenabrufDlg;
    PrueflingDlg = new TPrueflingDlg;
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
