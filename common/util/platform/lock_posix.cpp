#include "platform/lock.h"

#include <pthread.h>

#include <new>

#include "platform/check.h"

namespace util {
namespace platform {

struct Lock {
    Liveness live = Liveness::Lock;
    pthread_mutex_t mutex;
};

namespace {

bool initialiseRecursive(pthread_mutex_t* mutex) {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    const int failed = pthread_mutex_init(mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    return failed == 0;
}

// The guarded locks, kept sorted by order. Slots are changed under
// registryMutex; the fork handlers take it first, so no slot changes between
// prepare and the release.
const int kGuardedSlots = 16;
pthread_mutex_t registryMutex = PTHREAD_MUTEX_INITIALIZER;
struct Guarded {
    pthread_mutex_t* lock;
    int order;
};
Guarded guarded[kGuardedSlots];
int guardedCount = 0;

void beforeFork() {
    pthread_mutex_lock(&registryMutex);
    for (int slot = 0; slot < guardedCount; ++slot) {
        pthread_mutex_lock(guarded[slot].lock);
    }
}

void afterForkInParent() {
    for (int slot = guardedCount - 1; slot >= 0; --slot) {
        pthread_mutex_unlock(guarded[slot].lock);
    }
    pthread_mutex_unlock(&registryMutex);
}

// The child's one thread holds every guarded lock, but under the id of the
// thread that forked, which the child does not have: each is made anew.
void afterForkInChild() {
    for (int slot = 0; slot < guardedCount; ++slot) {
        initialiseRecursive(guarded[slot].lock);
    }
    pthread_mutex_init(&registryMutex, nullptr);
}

bool registerHandlers() {
    static const bool registered = pthread_atfork(&beforeFork, &afterForkInParent, &afterForkInChild) == 0;
    return registered;
}

}  // namespace

bool guardAcrossFork(Lock* lock, int order) {
    if (lock == nullptr || !registerHandlers()) {
        return false;
    }
    pthread_mutex_lock(&registryMutex);
    bool stored = false;
    for (int slot = 0; slot < guardedCount && !stored; ++slot) {
        stored = guarded[slot].lock == &lock->mutex;
    }
    if (!stored && guardedCount < kGuardedSlots) {
        int slot = guardedCount++;
        while (slot > 0 && guarded[slot - 1].order > order) {
            guarded[slot] = guarded[slot - 1];
            --slot;
        }
        guarded[slot] = Guarded{&lock->mutex, order};
        stored = true;
    }
    pthread_mutex_unlock(&registryMutex);
    return stored;
}

void unguardAcrossFork(Lock* lock) {
    pthread_mutex_lock(&registryMutex);
    int kept = 0;
    for (int slot = 0; slot < guardedCount; ++slot) {
        if (lock == nullptr || guarded[slot].lock != &lock->mutex) {
            guarded[kept++] = guarded[slot];
        }
    }
    guardedCount = kept;
    pthread_mutex_unlock(&registryMutex);
}

Lock* createCriticalSection() {
    auto* lock = new (std::nothrow) Lock;
    if (lock == nullptr) {
        return nullptr;
    }
    if (!initialiseRecursive(&lock->mutex)) {
        delete lock;
        return nullptr;
    }
    return lock;
}

void deleteCriticalSection(Lock* lock) {
    if (lock == nullptr) {
        return;
    }
    UTIL_DCHECK(lock->live == Liveness::Lock);  // not deleted before
    lock->live = Liveness::Freed;
    const int destroyed = pthread_mutex_destroy(&lock->mutex);
    UTIL_DCHECK(destroyed == 0);  // EBUSY: a thread still holds it
    delete lock;
}

void enterCriticalSection(Lock* lock) {
    UTIL_DCHECK(lock != nullptr && lock->live == Liveness::Lock);
    pthread_mutex_lock(&lock->mutex);
}

void leaveCriticalSection(Lock* lock) {
    UTIL_DCHECK(lock != nullptr && lock->live == Liveness::Lock);
    // A recursive mutex refuses (EPERM) an unlock by a thread that does not hold it.
    const int left = pthread_mutex_unlock(&lock->mutex);
    UTIL_DCHECK(left == 0);
}

bool tryEnterCriticalSection(Lock* lock) {
    UTIL_DCHECK(lock != nullptr && lock->live == Liveness::Lock);
    return pthread_mutex_trylock(&lock->mutex) == 0;
}

}  // namespace platform
}  // namespace util
