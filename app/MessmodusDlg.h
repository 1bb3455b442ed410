#pragma once

#include "tester/IniSettings.h"
#include "tester/ModeTable.h"

#include <QDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace platform {
class TQuery;
}

// The window "Messmodus-Einstellung": the whole measuring mode at once, like the current
// stored test or from a row of ModeTable. Created once at start-up; it reads its position
// when created and writes it when destroyed.
class TMessmodusDlg : public QDialog {
public:
    // Where the window keeps its position; tests give their own.
    explicit TMessmodusDlg(QWidget* owner = nullptr, const QString& iniFileName = ProgramIniFileName());
    ~TMessmodusDlg() override;

    // The main window's "Messmodus einstellen": shows the dialog and, after OK, writes the
    // chosen mode through the link's writers, once the exchange that may be running has
    // ended. Returns whether a mode was written completely at once.
    bool Execute(const TModeWriterParts& link);

    // The same on any link: Choose shows the dialog modally with the rows a tester of the
    // firmware level knows (true after OK), ApplyChoice writes what was chosen.
    bool Choose(int firmwareLevel);
    bool ApplyChoice(TMeasuringModeWriter& writer);

    // The mode of the stored test numbered pruefungsNr, read from "Pruefung.db" and written
    // to the tester. "Der Satz wurde nicht gefunden." when there is no such test; a database
    // error is shown with its message. Nothing is written in either case.
    static bool ApplyStoredTest(TMeasuringModeWriter& writer, int32_t pruefungsNr, QObject* owner = nullptr);
    // The mode fields of the test the query stands on.
    static TStoredTestMode ReadStoredTestMode(platform::TQuery& query);

    void FormCreate();
    void FormDestroy();
    void FormShow();
    void ListView1Click();
    void LoadPosition();
    void SavePosition();

    QRadioButton* RadioButton1; // "wie aktueller gespeicherter Satz"
    QRadioButton* RadioButton2; // "aus Tabelle:"
    QTreeWidget* ListView1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString iniFileName_;
    bool destroyed_ = false;
    int firmwareLevel_ = 0; // of the tester the list is shown for
};

inline constexpr const char* StoredTestNotFound = "Der Satz wurde nicht gefunden.";

// The program's single instance.
inline TMessmodusDlg* MessmodusDlg = nullptr;
