#pragma once

#include "platform/message_box.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <vector>

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

// Records the message boxes shown while it lives, answering each with `answer`.
class MessageBoxRecorder {
public:
    MessageBoxRecorder() {
        previous_ = platform::setMessageBoxHandler(
            [this](const QString& text, platform::MessageButtons, platform::MessageIcon icon) {
                texts << text;
                icons.push_back(icon);
                return answer;
            });
    }
    ~MessageBoxRecorder() { platform::setMessageBoxHandler(previous_); }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    QStringList texts;
    std::vector<platform::MessageIcon> icons;
    platform::MessageResult answer = platform::MessageResult::Ok;

private:
    platform::MessageBoxHandler previous_;
};
