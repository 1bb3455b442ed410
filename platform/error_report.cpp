#include "platform/error_report.h"

#include "platform/log_sink.h"
#include "platform/message_box.h"

namespace platform {

void reportError(const std::exception& error) {
    reportError(errorText(error));
}

void reportError(const QString& text) {
    logShownFailure(text.toStdString());
    messageBox(text, MessageButtons::Ok, MessageIcon::Stop);
}

bool guarded(const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        reportError(e);
        return false;
    }
}

} // namespace platform
