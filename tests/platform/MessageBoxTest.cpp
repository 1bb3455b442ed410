#include "platform/message_box.h"
#include "platform/translation.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace {

struct Seen {
    QString title;
    QStringList buttons;
};

// Shows a real box, reads it while it is open and presses the button captioned press.
platform::MessageResult answer(platform::MessageButtons buttons, const QString& press, Seen& seen) {
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.title = box->windowTitle();
        QAbstractButton* target = nullptr;
        for (QAbstractButton* b : box->buttons()) {
            seen.buttons << b->text();
            if (b->text() == press)
                target = b;
        }
        if (target)
            target->click();
        else
            box->reject();
    });
    return platform::messageBox(QStringLiteral("Frage?"), buttons, platform::MessageIcon::Question);
}

} // namespace

TEST(MessageBoxTest, ButtonsSpeakQtsGermanAndAnswerAsPressed) {
    ASSERT_TRUE(platform::loadQtTranslation());
    Seen yesNo;
    EXPECT_EQ(answer(platform::MessageButtons::YesNo, QStringLiteral("&Nein"), yesNo),
              platform::MessageResult::No);
    EXPECT_EQ(yesNo.title, QStringLiteral("Gerätetester"));
    EXPECT_TRUE(yesNo.buttons.contains(QStringLiteral("&Ja")));
    EXPECT_TRUE(yesNo.buttons.contains(QStringLiteral("&Nein")));

    Seen yes;
    EXPECT_EQ(answer(platform::MessageButtons::YesNo, QStringLiteral("&Ja"), yes),
              platform::MessageResult::Yes);

    Seen okCancel;
    EXPECT_EQ(answer(platform::MessageButtons::OkCancel, QStringLiteral("Abbrechen"), okCancel),
              platform::MessageResult::Cancel);
    EXPECT_TRUE(okCancel.buttons.contains(QStringLiteral("OK")));
}

TEST(MessageBoxTest, WithoutTheTranslationBoxesStillAnswer) {
    EXPECT_FALSE(platform::loadQtTranslation(QStringLiteral("/nonexistent/translations")));
    Seen ok;
    EXPECT_EQ(answer(platform::MessageButtons::Ok, QString(), ok), platform::MessageResult::Ok);
    EXPECT_EQ(ok.buttons.size(), 1);
}
