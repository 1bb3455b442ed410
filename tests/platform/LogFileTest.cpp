#include "platform/log_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <thread>
#include <vector>

using namespace platform;

namespace {
QString readAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}
} // namespace

TEST(LogFile, AppendCreatesAndAppends) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("a.log").toStdString();
    EXPECT_TRUE(appendLineToFile(path, "eins"));
    EXPECT_TRUE(appendLineToFile(path, "zwei ä"));
    EXPECT_EQ(readAll(QString::fromStdString(path)), QString::fromUtf8("eins\nzwei ä\n"));
    EXPECT_FALSE(appendLineToFile(dir.filePath("missing/dir/x.log").toStdString(), "x"));
    EXPECT_FALSE(appendLineToFile("", "x"));
}

TEST(LogFile, SharedLogKeepsLinesWholeAcrossThreads) {
    QTemporaryDir dir;
    const QString path = dir.filePath("port.log");
    SharedLogFile log;
    ASSERT_TRUE(log.open(path.toStdString(), SharedLogFile::OpenMode::Truncate));
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&log, t] {
            for (int i = 0; i < 200; ++i)
                log.writeLine(std::string(100, static_cast<char>('a' + t)));
        });
    for (auto& w : writers)
        w.join();
    log.close();
    EXPECT_FALSE(log.writeLine("after close"));
    const QStringList lines = readAll(path).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 800);
    for (const QString& l : lines) {
        ASSERT_EQ(l.size(), 100);
        ASSERT_EQ(l.count(l[0]), 100);
    }
}

TEST(LogFile, TruncateEmptiesAnOldLog) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("p.log").toStdString();
    appendLineToFile(path, "alt");
    SharedLogFile log;
    ASSERT_TRUE(log.open(path, SharedLogFile::OpenMode::Truncate));
    log.writeLine("neu");
    log.close();
    EXPECT_EQ(readAll(QString::fromStdString(path)), "neu\n");
}
