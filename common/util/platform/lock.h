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

/// Makes a process-wide lock sound in a forked child (POSIX). Without it, a
/// child forked while another thread holds the lock inherits it held by a
/// thread that does not exist there, and its first enter waits for ever. A
/// guarded lock is entered before every fork (after the fork handlers that
/// were registered later, so a lock guarded at load is taken last), left in
/// the parent afterwards and made anew, unlocked, in the child. Guard only
/// locks that live until the process ends, or call unguardAcrossFork first.
/// A fork therefore waits while another thread holds a guarded lock, for good
/// when that thread was suspended or stopped by force while it held it.
/// Windows has no fork: nothing happens. Returns false when no more locks can
/// be guarded (16 at most) or the handlers could not be registered.
bool guardAcrossFork(void* lock);
/// Ends guardAcrossFork for lock (before it is deleted). Unknown locks are ignored.
void unguardAcrossFork(void* lock);

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
