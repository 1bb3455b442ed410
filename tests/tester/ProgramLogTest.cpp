#include "tester/ProgramLog.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

} // namespace

TEST(ProgramLog, LineIsStampCounterAndText) {
    const QDateTime when(QDate(2024, 3, 7), QTime(9, 5, 4, 12));
    EXPECT_EQ(ProgramLogLine(when, 42, "Programmstart"),
              "07.03.2024 09:05:04.012#0000000000000042 = Programmstart");
    // A counter beyond 16 digits is written in full; the "#" follows the 23 stamp characters.
    const std::string wide = ProgramLogLine(when, 12345678901234567890ull, "x");
    EXPECT_EQ(wide.substr(23), "#12345678901234567890 = x");
}

TEST(ProgramLog, CreatesTheFileAnewAndEndsLinesWithCrLf) {
    QTemporaryDir dir;
    const QString path = dir.filePath("pgm.log");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("alter Inhalt\r\n");
    }
    TProgramLog log;
    ASSERT_TRUE(log.Create(path.toStdString()));
    log.Write("Programmstart");
    log.Write("Programmende");
    log.Close();
    log.Write("nach dem Schließen");
    const QByteArray text = readAll(path);
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(" = Programmstart\r"));
    EXPECT_TRUE(lines[1].endsWith(" = Programmende\r"));
    EXPECT_TRUE(lines[2].isEmpty());
    EXPECT_FALSE(text.contains("alter Inhalt"));
}

TEST(ProgramLog, UncreatableFileLeavesTheLogClosed) {
    TProgramLog log;
    EXPECT_FALSE(log.Create("/nonexistent-dir/sub/pgm.log"));
    EXPECT_FALSE(log.IsOpen());
    log.Write("nichts"); // must not crash
    EXPECT_FALSE(log.Create(""));
}
