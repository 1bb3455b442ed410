#pragma once

#include <QString>

#include <functional>

namespace platform {

enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageIcon { None, Information, Warning, Question, Stop, Exclamation };
enum class MessageResult { Ok, Cancel, Yes, No };

// Caption of every message box of the program.
inline const QString& messageCaption() {
    static const QString caption = QStringLiteral("Gerätetester");
    return caption;
}

using MessageBoxHandler = std::function<MessageResult(const QString& text, MessageButtons, MessageIcon)>;

// A modal message box with the program's caption; closing it without a choice gives
// Cancel or No.
MessageResult messageBox(const QString& text, MessageButtons buttons, MessageIcon icon);

// Replaces the real boxes (tests answer them); returns the handler before. An empty
// handler brings the real boxes back.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

// The desktop's warning sound, for input a control refuses.
void beep();

// Replaces the sound (tests count it); returns the handler before. An empty handler brings
// the sound back.
using BeepHandler = std::function<void()>;
BeepHandler setBeepHandler(BeepHandler handler);

} // namespace platform
