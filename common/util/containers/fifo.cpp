#include "containers/fifo.h"

#include <cstdlib>
#include <cstring>

#include "platform/event.h"
#include "sync/synchronizer.h"

using namespace util::platform;

int FIFO::nFifo = 0;

namespace {
const std::uint16_t kMaxMessages = 0xFFFF;

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
    hEvent = createEvent();
    pHead = nullptr;
    usCount = 0;
    pTail = nullptr;
}

FIFO::~FIFO() {
    std::free(pszFifoName);
    pszFifoName = nullptr;
    closeEvent(hEvent);
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
    setEvent(hEvent);
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
    setEvent(hEvent);
    return 1;
}

FIFO_MSG* FIFO::DeptQ(unsigned long timeout) {
    Lock();
    bool woken = false;
    while (usCount == 0) {
        if (woken) {
            // Woken (by Notify, or another consumer was first) to an empty
            // queue: clear the event so the next wait blocks. Insertions set it
            // under this lock, so none is missed.
            resetEvent(hEvent);
        }
        Unlock();
        const WaitResult result = waitForEvent(hEvent, timeout, true);
        if (result == WaitResult::TimedOut || result == WaitResult::Failed) {
            return nullptr;
        }
        woken = result == WaitResult::Signalled;
        Lock();
    }
    FIFO_MSG* msg = pHead;
    pHead = msg->pNext;
    if (pHead == nullptr) {
        pTail = nullptr;
    }
    __atomic_store_n(&usCount, static_cast<std::uint16_t>(usCount - 1), __ATOMIC_RELAXED);
    // Cleared only when the queue is now empty: a consumer that saw the queue
    // empty and let go of the lock may be about to wait, and must still wake
    // for the messages that remain. So the event is set whenever the queue
    // holds messages and the lock is free.
    if (usCount == 0) {
        resetEvent(hEvent);
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

void FIFO::Notify() { setEvent(hEvent); }

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
