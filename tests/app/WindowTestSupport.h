#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QStringList>
#include <QTimer>

#include <functional>

// Runs the event loop (idle passes included) until cond holds or ms have passed. It looks
// again every 10 ms, since cond may follow the tester double's own thread.
inline bool waitFor(const std::function<bool()>& cond, int ms) {
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > ms)
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

inline void runFor(int ms) {
    waitFor([] { return false; }, ms);
}

// The texts of a program log's lines, without their time stamps.
inline QStringList readLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (!l.isEmpty())
            lines << QString::fromUtf8(l).trimmed().section(QStringLiteral(" = "), 1);
    return lines;
}
