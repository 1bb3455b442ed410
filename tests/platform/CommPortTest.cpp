#include "platform/comm_port.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using platform::CommOpenError;
using platform::CommOpenStatus;

TEST(CommPortMapping, EnvironmentBeforeConfigurationBeforeDefault) {
    ::unsetenv("GERAETETESTER_COM4");
    EXPECT_EQ(platform::commDevicePath(4), "/dev/ttyS3");
    EXPECT_EQ(platform::commDevicePath(4, ""), "/dev/ttyS3");
    EXPECT_EQ(platform::commDevicePath(4, "/dev/ttyUSB0"), "/dev/ttyUSB0");
    ::setenv("GERAETETESTER_COM4", "", 1);
    EXPECT_EQ(platform::commDevicePath(4, "/dev/ttyUSB0"), "/dev/ttyUSB0") << "an empty variable is unset";
    ::setenv("GERAETETESTER_COM4", "/dev/pts/9", 1);
    EXPECT_EQ(platform::commDevicePath(4, "/dev/ttyUSB0"), "/dev/pts/9");
    ::unsetenv("GERAETETESTER_COM4");
}

TEST(CommPortOpen, EachFailureKeepsItsReasonAndTheDevice) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CommOpenStatus status;

    const std::string missing = dir.filePath("ttyUSB7").toStdString();
    EXPECT_EQ(platform::openCommPath(missing, status), nullptr);
    EXPECT_EQ(status.why, CommOpenError::NoDevice);
    EXPECT_EQ(status.error, ENOENT);
    EXPECT_EQ(status.device, missing);

    const std::string plain = dir.filePath("plain").toStdString();
    { std::ofstream(plain) << "x"; }
    EXPECT_EQ(platform::openCommPath(plain, status), nullptr);
    EXPECT_EQ(status.why, CommOpenError::NotCommHandle);
    EXPECT_EQ(status.device, plain);

    EXPECT_EQ(platform::openCommPath(dir.path().toStdString(), status), nullptr);
    EXPECT_EQ(status.why, CommOpenError::NotCommHandle) << "a folder";

    // Root opens a file of mode 000 anyway; then it fails as no terminal.
    ASSERT_EQ(::chmod(plain.c_str(), 0), 0);
    EXPECT_EQ(platform::openCommPath(plain, status), nullptr);
    EXPECT_EQ(status.why, ::geteuid() == 0 ? CommOpenError::NotCommHandle : CommOpenError::NoPermission);
    EXPECT_EQ(platform::classifyOpenError(EACCES), CommOpenError::NoPermission);
    EXPECT_EQ(platform::classifyOpenError(EPERM), CommOpenError::NoPermission);
}

TEST(CommPortOpen, AHeldPortIsBusyAndTheFirstOpenSaysNothing) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string slave = ::ptsname(master);

    CommOpenStatus first, second;
    auto held = platform::openCommPath(slave, first);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(first.why, CommOpenError::None);
    EXPECT_EQ(platform::openCommPath(slave, second), nullptr);
    EXPECT_EQ(second.why, CommOpenError::Busy);
    EXPECT_EQ(second.device, slave);
    held.reset();
    EXPECT_NE(platform::openCommPath(slave, second), nullptr);
    ::close(master);
}
