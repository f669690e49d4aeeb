#include "sync/shared_object.h"

#include "platform/event.h"
#include "platform/interlocked.h"
#include "platform/lock.h"
#include "platform/thread.h"

using namespace util::platform;

long SharedObject::ulObjectCount = 0;
void* SharedObject::hAllIdleEvent = nullptr;

namespace {
const char kUnknownName[] = "Unknown";
}

SharedObject::SharedObject(const char* name) {
    if (interlockedIncrement(&ulObjectCount) == 1 && atomicLoadPointer(&hAllIdleEvent) == nullptr) {
        void* event = createEvent();
        if (interlockedComparePointer(&hAllIdleEvent, event, nullptr) != nullptr) {
            closeEvent(event);  // another first constructor won the race
        }
    }
    pszName = name;
    pCritSec = createCriticalSection();
    hIdleEvent = createEvent();
    lWaiting = 0;
    lRefCount = 0;
    lValid = 1;
}

SharedObject::~SharedObject() {
    if (pCritSec != nullptr) {
        deleteCriticalSection(pCritSec);
        pCritSec = nullptr;
    }
    closeEvent(hIdleEvent);
    hIdleEvent = nullptr;
    if (interlockedDecrement(&ulObjectCount) == 0) {
        setEvent(atomicLoadPointer(&hAllIdleEvent));
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
    // The last reference goes under the lock: a waiting owner takes the lock
    // before it deletes the object, so it waits until this call is done with it.
    if (pCritSec != nullptr) {
        enterCriticalSection(pCritSec);
    }
    const long count = interlockedDecrement(&lRefCount);
    bool destroy = false;
    if (count == 0) {
        if (interlockedRead(&lWaiting) != 0) {
            setEvent(hIdleEvent);
        } else {
            interlockedExchange(&lWaiting, 1);  // this thread owns the shutdown now
            destroy = true;
        }
    }
    if (pCritSec != nullptr) {
        leaveCriticalSection(pCritSec);
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
        if (waitForEvent(hIdleEvent, kWaitForever) == WaitResult::Failed) {
            sleepMilliseconds(1);
        }
    }
    // The Release that brought the count to 0 holds the lock until it has set
    // the event; passing through the lock waits for it to finish.
    if (pCritSec != nullptr) {
        enterCriticalSection(pCritSec);
        leaveCriticalSection(pCritSec);
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
    return pszName != nullptr && pCritSec != nullptr && hIdleEvent != nullptr &&
                   interlockedRead(&lRefCount) >= 0 && interlockedRead(&lValid) == 1
               ? 1
               : 0;
}

void SharedObject::Lock() {
    if (pCritSec != nullptr) {
        enterCriticalSection(pCritSec);
    }
}

void SharedObject::Unlock() {
    if (pCritSec != nullptr) {
        leaveCriticalSection(pCritSec);
    }
}

const char* SharedObject::Name() { return pszName != nullptr ? pszName : kUnknownName; }

void SharedObject::WaitAllIdle() {
    void* event = atomicLoadPointer(&hAllIdleEvent);
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
