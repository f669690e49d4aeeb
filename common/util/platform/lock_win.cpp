#include "platform/lock.h"

#include <new>

#include "platform/check.h"
#include "platform/win_include.h"

namespace util {
namespace platform {

void* createCriticalSection() {
    auto* section = new (std::nothrow) CRITICAL_SECTION;
    if (section != nullptr) {
        InitializeCriticalSection(section);
    }
    return section;
}

void deleteCriticalSection(void* lock) {
    if (lock == nullptr) {
        return;
    }
    auto* section = static_cast<CRITICAL_SECTION*>(lock);
    DeleteCriticalSection(section);
    delete section;
}

bool guardAcrossFork(void* lock, int) { return lock != nullptr; }

void unguardAcrossFork(void*) {}

void enterCriticalSection(void* lock) {
    UTIL_DCHECK(lock != nullptr);
    EnterCriticalSection(static_cast<CRITICAL_SECTION*>(lock));
}

void leaveCriticalSection(void* lock) {
    UTIL_DCHECK(lock != nullptr);
    // The section records its owner: only that thread may leave it.
    UTIL_DCHECK(static_cast<CRITICAL_SECTION*>(lock)->OwningThread ==
                reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(GetCurrentThreadId())));
    LeaveCriticalSection(static_cast<CRITICAL_SECTION*>(lock));
}

bool tryEnterCriticalSection(void* lock) {
    UTIL_DCHECK(lock != nullptr);
    return TryEnterCriticalSection(static_cast<CRITICAL_SECTION*>(lock)) != FALSE;
}

}  // namespace platform
}  // namespace util
