#include "platform/lock.h"

#include <new>

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

void enterCriticalSection(void* lock) { EnterCriticalSection(static_cast<CRITICAL_SECTION*>(lock)); }

void leaveCriticalSection(void* lock) { LeaveCriticalSection(static_cast<CRITICAL_SECTION*>(lock)); }

bool tryEnterCriticalSection(void* lock) {
    return TryEnterCriticalSection(static_cast<CRITICAL_SECTION*>(lock)) != FALSE;
}

}  // namespace platform
}  // namespace util
