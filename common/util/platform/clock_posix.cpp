#include "platform/clock.h"
#include "platform/clock_posix.h"

#include <time.h>

#include "platform/lock.h"

namespace util {
namespace platform {

namespace {

// The C library converts to local time under a lock of its own that a fork
// does not reset: a child forked while another thread is inside localtime_r
// waits for ever in its own first one. The library's own conversions go
// through this lock, which is guarded across fork, so none is under way when
// a fork happens.
Lock* clockLock() {
    static Lock* const lock = [] {
        Lock* created = createCriticalSection();
        guardAcrossFork(created, kForkOrderClock);
        return created;
    }();
    return lock;
}
const void* const clockLockAtLoad = clockLock();

}  // namespace

LocalTime localTimeNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm parts{};
    Lock* lock = clockLock();
    if (lock != nullptr) {
        enterCriticalSection(lock);
    }
    localtime_r(&now.tv_sec, &parts);
    if (lock != nullptr) {
        leaveCriticalSection(lock);
    }
    return LocalTime{parts.tm_year + 1900,
                     parts.tm_mon + 1,
                     parts.tm_mday,
                     parts.tm_hour,
                     parts.tm_min,
                     parts.tm_sec,
                     static_cast<int>(now.tv_nsec / 1000000)};
}

timespec monotonicDeadlineAfter(unsigned long timeoutMs) {
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += static_cast<time_t>(timeoutMs / 1000);
    deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    return deadline;
}

}  // namespace platform
}  // namespace util
