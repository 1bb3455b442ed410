#include "app/NetzspgWarnWin.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QWidget>

#include <gtest/gtest.h>

TEST(NetzspgWarnWin, ShowsTheWarningAboveTheWindowsWithoutTakingTheFocus) {
    TNetzspgWarnWin win;
    EXPECT_EQ(win.Label1->text().toUtf8(), QByteArray("ACHTUNG! Bei n\xC3\xA4"
                                                      "chster Messung wird 230 V~ auf Pr\xC3\xBC"
                                                      "fdose geschaltet"));
    EXPECT_EQ(win.windowTitle(), QString::fromUtf8("Gerätetester"));
    EXPECT_TRUE(win.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(win.Label1->wordWrap());
    EXPECT_TRUE(win.rect().contains(win.Label1->geometry()));
    EXPECT_FALSE(win.isVisible()) << "hidden until the tester warns";

    QWidget main;
    QLineEdit edit(&main);
    main.show();
    main.activateWindow();
    edit.setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(edit.hasFocus());

    win.setVisible(true);
    QApplication::processEvents();
    EXPECT_TRUE(win.isVisible());
    // The offscreen platform activates every window it shows; a real display keeps the focus.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        EXPECT_TRUE(edit.hasFocus()) << "typing in the main window goes on";
    }
    EXPECT_TRUE(win.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(win.windowFlags() & Qt::WindowDoesNotAcceptFocus);
    win.setVisible(false);
    EXPECT_FALSE(win.isVisible());
}
