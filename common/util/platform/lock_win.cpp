#include "platform/lock.h"

#include <new>

#include "platform/check.h"
#include "platform/win_include.h"

namespace util {
namespace platform {

struct Lock {
    Liveness live = Liveness::Lock;
    CRITICAL_SECTION section;
};

Lock* createCriticalSection() {
    auto* lock = new (std::nothrow) Lock;
    if (lock != nullptr) {
        InitializeCriticalSection(&lock->section);
    }
    return lock;
}

void deleteCriticalSection(Lock* lock) {
    if (lock == nullptr) {
        return;
    }
    UTIL_DCHECK(lock->live == Liveness::Lock);  // not deleted before
    lock->live = Liveness::Freed;
    DeleteCriticalSection(&lock->section);
    delete lock;
}

bool guardAcrossFork(Lock* lock, int) { return lock != nullptr; }

void unguardAcrossFork(Lock*) {}

void enterCriticalSection(Lock* lock) {
    UTIL_DCHECK(lock != nullptr && lock->live == Liveness::Lock);
    EnterCriticalSection(&lock->section);
}

void leaveCriticalSection(Lock* lock) {
    UTIL_DCHECK(lock != nullptr && lock->live == Liveness::Lock);
    // The section records its owner: only that thread may leave it.
    UTIL_DCHECK(lock->section.OwningThread == reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(GetCurrentThreadId())));
    LeaveCriticalSection(&lock->section);
}

bool tryEnterCriticalSection(Lock* lock) {
    UTIL_DCHECK(lock != nullptr && lock->live == Liveness::Lock);
    return TryEnterCriticalSection(&lock->section) != FALSE;
}

}  // namespace platform
}  // namespace util
