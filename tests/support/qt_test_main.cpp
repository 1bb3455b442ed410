// gtest main with the Qt application object the code under test needs.
#include <gtest/gtest.h>

#ifdef GT_TEST_GUI
// The program's own: an exception that escapes a handler is caught as in the program.
#include "platform/application.h"
using TestApplication = platform::Application;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    // Also headless when ctest lists the tests at build time, outside the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
