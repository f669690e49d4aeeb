// The process-wide log lock (log_lock.h).
#include "log/log_lock.h"

#include "platform/lock.h"

namespace util {

namespace {

// A forked child gets the lock anew rather than held by a thread it lacks.
platform::Lock* createLogLock() {
    platform::Lock* lock = platform::createCriticalSection();
    platform::guardAcrossFork(lock, platform::kForkOrderLog);
    return lock;
}

}  // namespace

platform::Lock* logLock() {
    static platform::Lock* const lock = createLogLock();
    return lock;
}

void releaseLogLock() {
    platform::Lock* lock = logLock();
    platform::unguardAcrossFork(lock);
    platform::deleteCriticalSection(lock);
}

}  // namespace util
