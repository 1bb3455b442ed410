#pragma once

#include <thread>

namespace platform {

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Best effort: idle maps to SCHED_IDLE, every other level to the normal policy
// (finer levels need privileges that the program does not have).
void applyThreadPriority(std::thread& thread, TThreadPriority priority);

} // namespace platform
