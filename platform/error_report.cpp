#include "platform/error_report.h"

#include "platform/message_box.h"

namespace platform {

void reportError(const std::exception& error) {
    messageBox(errorText(error), MessageButtons::Ok, MessageIcon::Stop);
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
