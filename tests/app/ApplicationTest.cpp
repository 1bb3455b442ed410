#include "app/EinstellungenDlg.h"
#include "app/Windows.h"
#include "tester/Globals.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QWindow>

TEST(ApplicationTest, WindowTitlesAreTheirCaptionsAlone) {
    SetUpApplication(QLocale(QLocale::German, QLocale::Germany));
    TEinstellungenDlg dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Einstellungen"));
    EXPECT_EQ(dialog.windowHandle()->title(), QStringLiteral("Einstellungen"));
    // Qt appends a display name of the program's own to every title it shows; with none set
    // the display name is the plain application name.
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("Probe"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Probe"));
    QCoreApplication::setApplicationName(name);
}

TEST(ApplicationTest, QtsDialogsSpeakGerman) {
    SetUpApplication(QLocale(QLocale::German, QLocale::Germany));
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
    EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("&Nein"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Abbrechen"));
}

TEST(ApplicationTest, DecimalSeparatorComesFromTheLocale) {
    const QChar before = Globals::DecimalSeparator;
    SetUpApplication(QLocale(QLocale::English, QLocale::UnitedKingdom));
    EXPECT_EQ(Globals::DecimalSeparator, u'.');
    EXPECT_EQ(FormatStrom(125), QStringLiteral("1.25"));
    SetUpApplication(QLocale(QLocale::German, QLocale::Austria));
    EXPECT_EQ(Globals::DecimalSeparator, u',');
    EXPECT_EQ(FormatStrom(125), QStringLiteral("1,25"));
    Globals::DecimalSeparator = before;
}
