// A recursive lock owned through an opaque, typed pointer (Lock*): a heap
// CRITICAL_SECTION on Windows, a heap recursive pthread mutex on POSIX. The same
// thread may enter it again; every enter needs its leave. The exported classes
// keep their locks in void* fields and convert with lockFromField/lockToField at
// their boundary only.
#ifndef UTIL_PLATFORM_LOCK_H
#define UTIL_PLATFORM_LOCK_H

namespace util {
namespace platform {

/// A platform lock; defined by each backend, never by its users.
struct Lock;

/// The one conversion between a lock and the void* field that an exported class
/// stores it in.
inline Lock* lockFromField(void* field) { return static_cast<Lock*>(field); }
inline void* lockToField(Lock* lock) { return lock; }

/// Allocates and initialises a lock. Returns null when that fails.
Lock* createCriticalSection();
/// REQUIRES: a lock from createCriticalSection that no thread holds. Null is ignored.
void deleteCriticalSection(Lock* lock);
/// REQUIRES: lock is not null.
void enterCriticalSection(Lock* lock);
/// REQUIRES: the calling thread holds lock.
void leaveCriticalSection(Lock* lock);
/// Enters the lock when that needs no wait (free, or held by this thread) and
/// returns true; returns false at once otherwise. REQUIRES: lock is not null.
bool tryEnterCriticalSection(Lock* lock);

/// Makes a process-wide lock sound in a forked child (POSIX). Without it, a
/// child forked while another thread holds the lock inherits it held by a
/// thread that does not exist there, and its first enter waits for ever. A
/// guarded lock is entered before every fork, left in the parent afterwards
/// and made anew, unlocked, in the child. The guarded locks are entered by
/// rising `order` (in the order they were guarded for equal orders): a lock
/// that is taken while another guarded lock is held needs the higher order,
/// or a fork could deadlock with that thread. Guard only locks that live until
/// the process ends, or call unguardAcrossFork first.
/// A fork therefore waits while another thread holds a guarded lock, for good
/// when that thread was suspended or stopped by force while it held it.
/// Windows has no fork: nothing happens. Returns false when no more locks can
/// be guarded (16 at most) or the handlers could not be registered.
bool guardAcrossFork(Lock* lock, int order);
/// The orders of the library's guarded locks: the log lock is held while a
/// record's timestamp is read, which takes the clock lock.
const int kForkOrderLog = 0;
const int kForkOrderDebugOutput = 1;
const int kForkOrderClock = 2;
/// Ends guardAcrossFork for lock (before it is deleted). Unknown locks are ignored.
void unguardAcrossFork(Lock* lock);

/// Holds a lock for one scope.
class ScopedCriticalSection {
public:
    explicit ScopedCriticalSection(Lock* lock) : lock_(lock) { enterCriticalSection(lock_); }
    ~ScopedCriticalSection() { leaveCriticalSection(lock_); }
    ScopedCriticalSection(const ScopedCriticalSection&) = delete;
    ScopedCriticalSection& operator=(const ScopedCriticalSection&) = delete;

private:
    Lock* lock_;
};

}  // namespace platform
}  // namespace util

#endif
