#include "app/AboutBox.h"

#include <QPushButton>

#include <gtest/gtest.h>

TEST(AboutBoxTest, BuildDateInGermanForm) {
    EXPECT_EQ(BuildDateText("Dec  9 2026"), QStringLiteral("09.12.2026"));
    EXPECT_EQ(BuildDateText("Feb 28 2025"), QStringLiteral("28.02.2025"));
    // Anything else is shown as the compiler gave it.
    EXPECT_EQ(BuildDateText("Feb 30 2025"), QStringLiteral("Feb 30 2025"));
    EXPECT_EQ(BuildDateText("yesterday"), QStringLiteral("yesterday"));
}

TEST(AboutBoxTest, ShowsVersionWithBuildDateAndClosesWithOk) {
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Info"));
    EXPECT_TRUE(box.Version->text().startsWith(QStringLiteral("Version ")));
    EXPECT_TRUE(box.Version->text().endsWith(BuildDateText(__DATE__)));
    box.show();
    box.OKButton->click();
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_FALSE(box.isVisible());
}
