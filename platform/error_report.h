#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <stdexcept>

namespace platform {

// A failure whose text is meant for the user: a German sentence, shown as it is. Defined in
// the header, so that the layers below the error box (the database) throw it without the box.
class EUserError : public std::runtime_error {
public:
    explicit EUserError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    QString Message() const { return message_; }

private:
    QString message_;
};

// The text a failure gives the user: a user error's message, else what().
inline QString errorText(const std::exception& error) {
    const auto* user = dynamic_cast<const EUserError*>(&error);
    return user ? user->Message() : QString::fromUtf8(error.what());
}

// Shows a failure the user must know of: the program's error box with errorText(error). The
// program log keeps it as one line.
void reportError(const std::exception& error);
// The same for a failure known by its text alone.
void reportError(const QString& text);

// Runs body so that no exception leaves it: one that does is shown by reportError. False then.
bool guarded(const std::function<void()>& body);

} // namespace platform
