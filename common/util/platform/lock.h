// A recursive lock owned through an opaque pointer: a heap CRITICAL_SECTION on
// Windows, a heap recursive pthread mutex on POSIX. The same thread may enter it
// again; every enter needs its leave.
#ifndef UTIL_PLATFORM_LOCK_H
#define UTIL_PLATFORM_LOCK_H

namespace util {
namespace platform {

/// Allocates and initialises a lock. Returns null when that fails.
void* createCriticalSection();
/// REQUIRES: a lock from createCriticalSection that no thread holds. Null is ignored.
void deleteCriticalSection(void* lock);
/// REQUIRES: lock is not null.
void enterCriticalSection(void* lock);
/// REQUIRES: the calling thread holds lock.
void leaveCriticalSection(void* lock);
/// Enters the lock when that needs no wait (free, or held by this thread) and
/// returns true; returns false at once otherwise. REQUIRES: lock is not null.
bool tryEnterCriticalSection(void* lock);

/// Holds a lock for one scope.
class ScopedCriticalSection {
public:
    explicit ScopedCriticalSection(void* lock) : lock_(lock) { enterCriticalSection(lock_); }
    ~ScopedCriticalSection() { leaveCriticalSection(lock_); }
    ScopedCriticalSection(const ScopedCriticalSection&) = delete;
    ScopedCriticalSection& operator=(const ScopedCriticalSection&) = delete;

private:
    void* lock_;
};

}  // namespace platform
}  // namespace util

#endif
