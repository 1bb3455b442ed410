#pragma once

#include "controls/Edits.h"
#include "controls/RadioGroup.h"
#include "platform/file_dialog.h"
#include "tester/SettingsDialogValues.h"

#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <array>

// The service-interval edit. A text with no number in it stays as typed when the focus
// leaves, so that OK can say what is wrong instead of quietly going back to the old value.
class TServiceIntervalEdit : public TIntEdit {
public:
    using TIntEdit::TIntEdit;
    // Shows value even when the edit still holds an unchecked text of an earlier opening.
    void ShowValue(int32_t value);

protected:
    void focusOutEvent(QFocusEvent* event) override;
};

// A memo of protocol lines: it refuses a line break (Enter, paste, drop) that would give it more
// than ProtocolLineCount lines besides empty ones at its end, rather than lose a line at OK, and
// beeps. A break it takes uses up one of those empty last lines.
// Each line is one line on screen, never wrapped, so that all of them stay in view; a line wider
// than the memo scrolls sideways to the cursor, as a single-line edit does.
class TProtocolLinesMemo : public QPlainTextEdit {
public:
    explicit TProtocolLinesMemo(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    static constexpr int DefaultDocumentMargin = 4;
    // With inserted in place of the selection, the text still fills at most ProtocolLineCount
    // lines, and not all of the insertion is a surplus empty last line.
    bool fits(const QString& inserted) const;
    // Removes empty last lines beyond ProtocolLineCount, in the same undo step as the insertion.
    void dropSurplusEmptyLines();
    void cursorMoved();

    int cursorLine_ = 0;
};

// The window "Einstellungen": protocol lines, inspector, service interval, preview and the
// export settings. Created once at start-up and kept until the end; it changes the
// program-wide values in memory only.
class TEinstellungenDlg : public QDialog {
public:
    explicit TEinstellungenDlg(QWidget* owner = nullptr);

    // The main window's "Einstellungen": fills the controls from the program-wide values,
    // shows the dialog modally and takes the values back after OK. Returns whether OK closed it.
    bool Execute();

    // Each opening puts the current values into the controls.
    void FillFromValues();
    // After OK: the controls into the program-wide values.
    void TakeValues();
    TSettingsDialogValues ControlValues();

    // "such": chooses the export file's name.
    void BitBtn3Click();
    // OK: closes the dialog unless the service interval is no whole number.
    void BitBtn1Click();

    QLabel* Label2;
    TProtocolLinesMemo* Memo1;
    QLabel* Label3;
    TProtocolLinesMemo* Memo2;
    QFrame* Bevel1;
    QCheckBox* CheckBox1; // "Druckvorschau"
    QLabel* Label4;
    QLineEdit* Edit1; // Operator
    QLabel* Label5;
    TServiceIntervalEdit* IntEdit1;
    QLabel* Label1;
    QFrame* Bevel2;
    QLabel* Label6;
    TRadioGroup* RadioGroup1; // "Exportdatei"
    QLineEdit* Edit2;         // ExportFileName
    QPushButton* BitBtn3;     // "such"
    QPushButton* BitBtn2;     // "Abbrechen"
    QPushButton* BitBtn1;     // "OK"
    platform::SaveFileRequest SaveDialog1;

    // CheckBox2 .. CheckBox57 by their number.
    QCheckBox* CheckBox(int number) const;
    // The check box of export column index (0..55).
    QCheckBox* ExportCheckBox(int index) const { return exportBoxes_.at(static_cast<size_t>(index)); }

private:
    std::array<QCheckBox*, ExportColumnCount> exportBoxes_{};
};

// The program's single instance.
inline TEinstellungenDlg* EinstellungenDlg = nullptr;
