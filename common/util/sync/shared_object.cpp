#include "sync/shared_object.h"

#include <cstdint>

#include "platform/event.h"
#include "platform/interlocked.h"
#include "platform/lock.h"
#include "platform/thread.h"

using namespace util::platform;

long SharedObject::ulObjectCount = 0;
void* SharedObject::hAllIdleEvent = nullptr;

namespace {
const char kUnknownName[] = "Unknown";

// How many times Lock tries the lock before it waits, and the most pauses
// (about 25 ns each) between two tries: about 3 us in all.
const int kLockSpins = 12;
const int kLockMaxPauses = 16;

inline void cpuRelax() {
#if defined(__i386__) || defined(__x86_64__)
    __builtin_ia32_pause();
#endif
}

// The hand-off between the Release that drops the last reference and a waiting
// owner that deletes the object: a small table of process-wide locks, one picked
// by the object's address. Only this file takes them, only around a few
// instructions that call out to nothing, so whatever locks client code holds
// (the object's own included) they cannot take part in a deadlock.
class HandOffLocks {
public:
    HandOffLocks() {
        for (Lock*& lock : locks_) {
            lock = createCriticalSection();
        }
    }
    // Null when the lock could not be made: the hand-off is then skipped.
    Lock* forObject(const void* object) const {
        const auto address = reinterpret_cast<std::uintptr_t>(object);
        return locks_[(address >> 6) % kCount];
    }

private:
    static const int kCount = 64;
    Lock* locks_[kCount];
};

// Built on first use (thread-safe) and never destroyed: a Release may run late in
// process exit.
const HandOffLocks& handOffLocks() {
    static const HandOffLocks* const table = new HandOffLocks;
    return *table;
}
}  // namespace

SharedObject::SharedObject(const char* name) {
    if (interlockedIncrement(&ulObjectCount) == 1 && atomicLoadPointer(&hAllIdleEvent) == nullptr) {
        Event* event = createEvent();
        if (interlockedComparePointer(&hAllIdleEvent, eventToField(event), nullptr) != nullptr) {
            closeEvent(event);  // another first constructor won the race
        }
    }
    pszName = name;
    pCritSec = lockToField(createCriticalSection());
    hIdleEvent = eventToField(createEvent());
    lWaiting = 0;
    lRefCount = 0;
    lValid = 1;
}

SharedObject::~SharedObject() {
    if (pCritSec != nullptr) {
        deleteCriticalSection(lockFromField(pCritSec));
        pCritSec = nullptr;
    }
    closeEvent(eventFromField(hIdleEvent));
    hIdleEvent = nullptr;
    if (interlockedDecrement(&ulObjectCount) == 0) {
        setEvent(eventFromField(atomicLoadPointer(&hAllIdleEvent)));
    }
}

unsigned long SharedObject::AddRef() { return static_cast<unsigned long>(interlockedIncrement(&lRefCount)); }

unsigned long SharedObject::Release() {
    for (;;) {
        const long current = interlockedRead(&lRefCount);
        if (current == 1) {
            break;
        }
        if (interlockedCompareExchange(&lRefCount, current - 1, current) == current) {
            return static_cast<unsigned long>(current - 1);
        }
    }
    // The last reference goes under the hand-off lock: a waiting owner passes
    // through that lock before it deletes the object, so it waits until this
    // call is done with it. Not the object's own lock: the owner may hold that
    // one while it waits.
    util::platform::Lock* handOff = handOffLocks().forObject(this);
    if (handOff != nullptr) {
        enterCriticalSection(handOff);
    }
    const long count = interlockedDecrement(&lRefCount);
    bool destroy = false;
    if (count == 0) {
        if (interlockedRead(&lWaiting) != 0) {
            setEvent(eventFromField(hIdleEvent));
        } else {
            interlockedExchange(&lWaiting, 1);  // this thread owns the shutdown now
            destroy = true;
        }
    }
    if (handOff != nullptr) {
        leaveCriticalSection(handOff);
    }
    if (destroy) {
        Shutdown(0);
    }
    return static_cast<unsigned long>(count);
}

int SharedObject::IsIdle() { return interlockedRead(&lRefCount) == 0 ? 1 : 0; }

void SharedObject::WaitIdle() {
    interlockedExchange(&lWaiting, 1);
    while (IsIdle() == 0) {
        if (waitForEvent(eventFromField(hIdleEvent), kWaitForever) == WaitResult::Failed) {
            sleepMilliseconds(1);
        }
    }
    // The Release that brought the count to 0 holds the hand-off lock until it
    // has set the event; passing through that lock waits for it to finish.
    if (util::platform::Lock* handOff = handOffLocks().forObject(this)) {
        enterCriticalSection(handOff);
        leaveCriticalSection(handOff);
    }
}

void** SharedObject::GetIdleEvent() {
    interlockedExchange(&lWaiting, 1);
    return &hIdleEvent;
}

void SharedObject::Shutdown(int inThread) {
    // From here on a Release that reaches 0 wakes this sequence instead of
    // starting one of its own.
    interlockedExchange(&lWaiting, 1);
    if (inThread == 1) {
        startDetachedThread(ShutdownThreadProc, this);
    } else {
        DoShutdown(this);
    }
}

void SharedObject::Invalid() { interlockedExchange(&lValid, 0); }

int SharedObject::IsValid() {
    return pszName != nullptr && pCritSec != nullptr && hIdleEvent != nullptr && interlockedRead(&lRefCount) >= 0 &&
                   interlockedRead(&lValid) == 1
               ? 1
               : 0;
}

void SharedObject::Lock() {
    if (pCritSec == nullptr) {
        return;
    }
    // Locks like this one guard a few instructions: a holder on another core
    // lets go within a few hundred cycles, far sooner than a sleep and a wake-up.
    // Each failed try waits twice as long as the one before (up to a bound), so
    // that waiting threads do not keep the lock's cache line from its holder.
    int pauses = 1;
    for (int attempt = 0; attempt < kLockSpins; ++attempt) {
        if (tryEnterCriticalSection(lockFromField(pCritSec))) {
            return;
        }
        for (int pause = 0; pause < pauses; ++pause) {
            cpuRelax();
        }
        if (pauses < kLockMaxPauses) {
            pauses *= 2;
        }
    }
    enterCriticalSection(lockFromField(pCritSec));
}

void SharedObject::Unlock() {
    if (pCritSec != nullptr) {
        leaveCriticalSection(lockFromField(pCritSec));
    }
}

const char* SharedObject::Name() { return pszName != nullptr ? pszName : kUnknownName; }

void SharedObject::WaitAllIdle() {
    Event* event = eventFromField(atomicLoadPointer(&hAllIdleEvent));
    if (event != nullptr) {
        waitForEvent(event, kWaitForever);
    }
}

void SharedObject::PreShutdown() {}

void SharedObject::PostShutdown() {}

void SharedObject::DoShutdown(SharedObject* object) {
    object->PreShutdown();
    object->WaitIdle();
    object->PostShutdown();
    delete object;
}

unsigned long SharedObject::ShutdownThreadProc(void* object) {
    DoShutdown(static_cast<SharedObject*>(object));
    return 0;
}
