#pragma once

#include <functional>

namespace platform {

// The application's idle event: the handler runs once each time the UI thread's event
// queue has been emptied after handling events (also inside modal dialogs), never
// while a waitUntil/delayMs wait runs, and never as a busy loop: an idle pass that
// handles nothing is not followed by another until some other event arrives.
// One handler at a time; installing replaces it, an empty handler removes it.
void setIdleHandler(std::function<void()> handler);

} // namespace platform
