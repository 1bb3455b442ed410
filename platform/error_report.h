#pragma once

#include <exception>
#include <functional>

namespace platform {

// Shows a failure the user must know of: the program's error box with errorText(error).
void reportError(const std::exception& error);

// Runs body so that no exception leaves it: one that does is shown by reportError. False then.
bool guarded(const std::function<void()>& body);

} // namespace platform
