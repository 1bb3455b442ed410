#include "platform/thread_priority.h"

#include <pthread.h>
#include <sched.h>

namespace platform {

void applyThreadPriority(std::thread& thread, TThreadPriority priority) {
    if (!thread.joinable())
        return;
    sched_param param{};
    param.sched_priority = 0;
    int policy = priority == TThreadPriority::tpIdle ? SCHED_IDLE : SCHED_OTHER;
    pthread_setschedparam(thread.native_handle(), policy, &param);
}

} // namespace platform
