#include "containers/fifo.h"

#include <cstdlib>
#include <cstring>

#include "platform/event.h"
#include "sync/synchronizer.h"

using namespace util::platform;

int FIFO::nFifo = 0;

namespace {
const std::uint16_t kMaxMessages = 0xFFFF;

// usWaiting: the consumers asleep (or about to sleep) on hEvent in its low 15
// bits, and in its top bit a mark that hEvent may be set, so that a removal
// clears it only then (on Windows a reset is a system call).
const std::uint16_t kEventMaySet = 0x8000;
const std::uint16_t kWaiterMask = 0x7FFF;

// How many times a consumer that found the queue empty polls the count, without
// the lock, before it goes to sleep on the event: a message usually follows within
// microseconds, and a sleep and a wake-up cost far more.
const int kSpinPolls = 200;

inline void cpuRelax() {
#if defined(__i386__) || defined(__x86_64__)
    __builtin_ia32_pause();
#endif
}

// Under the lock, after an insertion: wakes the sleeping consumers, if any.
void wakeWaiters(std::uint16_t* waiting, Event* event) {
    if ((__atomic_load_n(waiting, __ATOMIC_SEQ_CST) & kWaiterMask) != 0) {
        __atomic_fetch_or(waiting, kEventMaySet, __ATOMIC_SEQ_CST);
        setEvent(event);
    }
}

// Under the lock, with the queue empty: resets the event when it may be set
// (always when `always`: Notify sets the mark and the event without the lock,
// so a reset between the two can leave the event set without the mark).
void clearEvent(std::uint16_t* waiting, Event* event, bool always) {
    if (always || (__atomic_load_n(waiting, __ATOMIC_SEQ_CST) & kEventMaySet) != 0) {
        __atomic_fetch_and(waiting, kWaiterMask, __ATOMIC_SEQ_CST);
        resetEvent(event);
    }
}

void freeQueued(FIFO* queue) {
    while (FIFO_MSG* msg = queue->DeptQ(0)) {
        std::free(msg);
    }
}
}  // namespace

FIFO::FIFO() : SharedObject("FIFO") {
    __atomic_add_fetch(&nFifo, 1, __ATOMIC_RELAXED);  // queues may be built on several threads
    pszFifoName = nullptr;
    ulEnqueued = 0;
    ulMsgBytes = 0;
    hEvent = eventToField(createEvent());
    pHead = nullptr;
    usCount = 0;
    usWaiting = 0;
    pTail = nullptr;
}

FIFO::~FIFO() {
    std::free(pszFifoName);
    pszFifoName = nullptr;
    closeEvent(eventFromField(hEvent));
    hEvent = nullptr;
}

int FIFO::EntQ(FIFO_MSG* msg) {
    if (msg == nullptr) {
        return 0;
    }
    Synchronizer hold(this);
    if (usCount == kMaxMessages) {
        return 0;
    }
    ++ulEnqueued;
    msg->pNext = nullptr;
    if (pTail != nullptr) {
        pTail->pNext = msg;
    } else {
        pHead = msg;
    }
    __atomic_store_n(&usCount, static_cast<std::uint16_t>(usCount + 1), __ATOMIC_RELAXED);
    pTail = msg;
    ulMsgBytes += msg->ulSize;
    wakeWaiters(&usWaiting, eventFromField(hEvent));
    return 1;
}

int FIFO::EntQAtFront(FIFO_MSG* msg) {
    if (msg == nullptr) {
        return 0;
    }
    Synchronizer hold(this);
    if (usCount == kMaxMessages) {
        return 0;
    }
    ++ulEnqueued;
    msg->pNext = pHead;
    pHead = msg;
    if (pTail == nullptr) {
        pTail = msg;
    }
    __atomic_store_n(&usCount, static_cast<std::uint16_t>(usCount + 1), __ATOMIC_RELAXED);
    ulMsgBytes += msg->ulSize;
    wakeWaiters(&usWaiting, eventFromField(hEvent));
    return 1;
}

FIFO_MSG* FIFO::DeptQ(unsigned long timeout) {
    if (timeout != 0) {
        // Poll the count for a moment before taking the lock and sleeping;
        // producers signal only consumers that sleep, so a message taken here
        // costs no system call, and the producers' lock stays uncontended.
        for (int poll = 0; poll < kSpinPolls && QSize() == 0; ++poll) {
            cpuRelax();
        }
    }
    Lock();
    bool woken = false;
    while (usCount == 0) {
        if (woken) {
            // Woken (by Notify, or another consumer was first) to an empty
            // queue: clear the event so the next wait blocks. Insertions set it
            // under this lock, so none is missed.
            clearEvent(&usWaiting, eventFromField(hEvent), true);
        }
        if (timeout == 0) {
            Unlock();
            return nullptr;
        }
        // Counted under the lock: an insertion after this point sees the
        // waiter and sets the event, so the wait below cannot miss it.
        __atomic_add_fetch(&usWaiting, 1, __ATOMIC_SEQ_CST);
        Unlock();
        const WaitResult result = waitForEvent(eventFromField(hEvent), timeout, true);
        Lock();
        __atomic_sub_fetch(&usWaiting, 1, __ATOMIC_SEQ_CST);
        if (result == WaitResult::TimedOut || result == WaitResult::Failed) {
            Unlock();
            return nullptr;
        }
        woken = result == WaitResult::Signalled;
    }
    FIFO_MSG* msg = pHead;
    pHead = msg->pNext;
    if (pHead == nullptr) {
        pTail = nullptr;
    }
    __atomic_store_n(&usCount, static_cast<std::uint16_t>(usCount - 1), __ATOMIC_RELAXED);
    // Cleared only when the queue is now empty: a consumer that counted itself
    // as a waiter and let go of the lock may be about to wait, and must still
    // wake for the messages that remain.
    if (usCount == 0) {
        clearEvent(&usWaiting, eventFromField(hEvent), false);
    }
    ulMsgBytes -= msg->ulSize;
    Unlock();
    return msg;
}

unsigned long FIFO::GetMsgSize() {
    Synchronizer hold(this);
    return ulMsgBytes;
}

// The count is stored atomically (under the lock) so that this unlocked read is
// well defined; it may be out of date by the time the caller looks at it.
int FIFO::QSize() { return __atomic_load_n(&usCount, __ATOMIC_RELAXED); }

void FIFO::Notify() {
    __atomic_fetch_or(&usWaiting, kEventMaySet, __ATOMIC_SEQ_CST);
    setEvent(eventFromField(hEvent));
}

void FIFO::SetName(char* name) {
    char* copy = nullptr;
    if (name != nullptr) {
        const std::size_t length = std::strlen(name) + 1;
        copy = static_cast<char*>(std::malloc(length));
        if (copy != nullptr) {
            std::memcpy(copy, name, length);
        }
    }
    std::free(pszFifoName);
    pszFifoName = copy;
}

void FIFO::PreShutdown() { freeQueued(this); }

// Users may still have put messages in while the sequence waited for them;
// none is left now, so what is queued is freed for good. Not through the
// virtual PreShutdown: a derived class's hook runs once.
void FIFO::PostShutdown() { freeQueued(this); }
