// A program of its own, run by EscapedExceptionTest: in each test an exception escapes an event
// handler. The first takes it, as a test that provokes one on purpose does; the second lets it
// pass unnoticed, which must fail that test.
#include "platform/application.h"
#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QScopeGuard>

#include <stdexcept>

namespace {

void escapeOnce() {
    const auto box =
        platform::setMessageBoxHandler([](const QString&, platform::MessageButtons, platform::MessageIcon) {
            return platform::MessageResult::Ok;
        });
    const auto restore = qScopeGuard([&] { platform::setMessageBoxHandler(box); });
    QObject target;
    target.setObjectName(QStringLiteral("Ziel"));
    QMetaObject::invokeMethod(
        &target, [] { throw std::runtime_error("Datenträger voll"); }, Qt::QueuedConnection);
    QCoreApplication::processEvents();
}

TEST(EscapeOnPurpose, Taken) {
    escapeOnce();
    EXPECT_EQ(platform::takeEscapedExceptions(), 1);
}

TEST(EscapeOnPurpose, Unnoticed) {
    escapeOnce();
}

} // namespace
