// gtest main with the Qt application object the code under test needs.
#include "tests/support/globals_guard.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// Each test leaves the program-wide values as it found them, whatever it and the code it runs set:
// run as a whole, no test passes or fails by what a test before it left behind.
class GlobalsRestore : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { guard_.emplace(); }
    void OnTestEnd(const ::testing::TestInfo&) override { guard_.reset(); }
    std::optional<GlobalsGuard> guard_;
};

} // namespace

#ifdef GT_TEST_GUI
// The program's own: an exception that escapes a handler is caught as in the program.
#include "platform/application.h"
using TestApplication = platform::Application;

namespace {

// The application object catches what escapes a handler, so that the program goes on: a test
// would go on as well and pass. It fails here unless it took the escapes it expected.
class EscapedExceptionCheck : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override {
        if (const int escaped = platform::takeEscapedExceptions())
            ADD_FAILURE() << escaped << " exception(s) escaped an event handler (the log line on stderr "
                          << "names the event and its receiver)";
    }
};

void addChecks() {
    ::testing::UnitTest::GetInstance()->listeners().Append(new EscapedExceptionCheck);
}

} // namespace
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;

namespace {
void addChecks() {}
} // namespace
#endif

int main(int argc, char** argv) {
    // Also headless when ctest lists the tests at build time, outside the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new GlobalsRestore);
    addChecks();
    return RUN_ALL_TESTS();
}
