// An exception that escapes an event handler is logged and shown once, and the program goes on;
// a test in which one escaped fails unless it expected it. A failure a handler reports is logged too.
#include "platform/application.h"
#include "platform/error_report.h"
#include "platform/log_sink.h"
#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>

#include <stdexcept>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// What Qt's own frames held when an exception passed through them stays allocated for good:
// the price of the last resort, not a leak of the program's, so the leak check leaves it out.
class QtFramesUnwound {
public:
#if defined(__SANITIZE_ADDRESS__)
    QtFramesUnwound() {
        __lsan_disable();
    }
    ~QtFramesUnwound() {
        __lsan_enable();
    }
#endif
};

// Fails at every event of the user type, as a window that fails each time it is drawn.
class Failing final : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw std::runtime_error("noch einmal");
        return QObject::event(e);
    }
};

// Press and release posted, as a click arrives.
void postClick(QWidget& w) {
    const QPointF at(w.width() / 2.0, w.height() / 2.0);
    const QPointF global = w.mapToGlobal(at);
    QCoreApplication::postEvent(&w, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                    Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(&w, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                                    Qt::NoButton, Qt::NoModifier));
    QCoreApplication::processEvents();
}

TEST(EscapedException, IsLoggedAndShownOnceAndTheProgramGoesOn) {
    std::vector<std::string> log;
    std::vector<std::pair<QString, platform::MessageIcon>> boxes;
    Failing failing;
    const auto sink = platform::setLogSink([&](const std::string& text) { log.push_back(text); });
    const auto box = platform::setMessageBoxHandler(
        [&](const QString& text, platform::MessageButtons, platform::MessageIcon icon) {
            boxes.emplace_back(text, icon);
            // A failure while the box is open is logged, not shown on top of it.
            QEvent again(QEvent::User);
            QCoreApplication::sendEvent(&failing, &again);
            return platform::MessageResult::Ok;
        });
    const auto restore = qScopeGuard([&] {
        platform::setLogSink(sink);
        platform::setMessageBoxHandler(box);
    });

    QPushButton button(QStringLiteral("Speichern"));
    button.setObjectName(QStringLiteral("BitBtn1"));
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        if (++clicks == 1)
            throw std::runtime_error("Datenträger voll");
    });
    button.show();
    QCoreApplication::processEvents();

    {
        [[maybe_unused]] const QtFramesUnwound unwound;
        postClick(button);
    }
    ASSERT_EQ(clicks, 1);
    EXPECT_EQ(boxes, (std::vector<std::pair<QString, platform::MessageIcon>>{
                         {QStringLiteral("Datenträger voll"), platform::MessageIcon::Stop}}));
    EXPECT_EQ(log,
              (std::vector<std::string>{
                  "Nicht abgefangener Fehler bei Ereignis 3 an QPushButton \"BitBtn1\": Datenträger voll",
                  "Nicht abgefangener Fehler bei Ereignis 1000 an QObject: noch einmal"}));

    postClick(button);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(log.size(), 2u);
    EXPECT_EQ(platform::takeEscapedExceptions(), 2);
}

// A failure a handler reports and lives with is shown once, and the program log keeps it as one
// line with the text the user read.
TEST(ReportedError, IsShownAndLoggedAsOneLine) {
    std::vector<std::string> log;
    std::vector<QString> boxes;
    const auto sink = platform::setLogSink([&](const std::string& text) { log.push_back(text); });
    const auto box = platform::setMessageBoxHandler(
        [&](const QString& text, platform::MessageButtons, platform::MessageIcon icon) {
            EXPECT_EQ(icon, platform::MessageIcon::Stop);
            boxes.push_back(text);
            return platform::MessageResult::Ok;
        });
    const auto restore = qScopeGuard([&] {
        platform::setLogSink(sink);
        platform::setMessageBoxHandler(box);
    });

    EXPECT_FALSE(platform::guarded(
        [] { throw platform::EUserError(QStringLiteral("Die Datei ist gesperrt.\nMeldung: busy")); }));
    EXPECT_TRUE(platform::guarded([] {}));
    platform::reportError(std::runtime_error("Datenträger voll"));
    platform::reportError(QStringLiteral("Fehler beim Schreiben der Datei \"a.csv\": \r\nkein Platz"));
    EXPECT_EQ(boxes, (std::vector<QString>{
                         QStringLiteral("Die Datei ist gesperrt.\nMeldung: busy"),
                         QStringLiteral("Datenträger voll"),
                         QStringLiteral("Fehler beim Schreiben der Datei \"a.csv\": \r\nkein Platz")}));
    EXPECT_EQ(log,
              (std::vector<std::string>{
                  "Fehlermeldung: Die Datei ist gesperrt. Meldung: busy", "Fehlermeldung: Datenträger voll",
                  "Fehlermeldung: Fehler beim Schreiben der Datei \"a.csv\":   kein Platz"}));
}

TEST(EscapedException, FailsTheTestThatDidNotExpectIt) {
    QProcess run;
    run.start(QStringLiteral(ESCAPE_ON_PURPOSE), {});
    ASSERT_TRUE(run.waitForFinished(60000));
    const QString out = QString::fromUtf8(run.readAllStandardOutput());
    const QString err = QString::fromUtf8(run.readAllStandardError());
    EXPECT_NE(run.exitCode(), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("[       OK ] EscapeOnPurpose.Taken"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("[  FAILED  ] EscapeOnPurpose.Unnoticed"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("1 exception(s) escaped an event handler"))) << out.toStdString();
    EXPECT_EQ(err.count(QStringLiteral("Nicht abgefangener Fehler bei Ereignis 43 an QObject \"Ziel\": "
                                       "Datenträger voll")),
              2)
        << err.toStdString();
}

} // namespace
