#include "platform/event.h"

#include <pthread.h>
#include <time.h>

#include <atomic>
#include <cerrno>
#include <new>

#include "platform/check.h"
#include "platform/clock_posix.h"

namespace util {
namespace platform {

// The state lives in atomics so that setting and resetting take no lock while
// nobody waits (the common case for a busy queue). A waiter registers in
// `waiters` before it checks the state, and a setter changes the state before it
// reads `waiters` (both sequentially consistent), so either the waiter sees the
// set or the setter sees the waiter and broadcasts under the mutex, which the
// waiter holds from its check until it sleeps.
struct Event {
    Liveness live;
    pthread_mutex_t mutex;
    pthread_cond_t condition;
    std::atomic<bool> signalled;
    std::atomic<unsigned long> generation;  // raised by every set: releases the waiters of that moment
    std::atomic<int> waiters;
};

namespace {

// Unlocks on every exit, including the unwinding of a cancelled thread:
// pthread_cond_wait is a cancellation point and holds the mutex when it unwinds.
class MutexHold {
public:
    explicit MutexHold(pthread_mutex_t* mutex) : mutex_(mutex) { pthread_mutex_lock(mutex_); }
    ~MutexHold() { pthread_mutex_unlock(mutex_); }
    MutexHold(const MutexHold&) = delete;
    MutexHold& operator=(const MutexHold&) = delete;

private:
    pthread_mutex_t* mutex_;
};

// Counts a waiter in for the duration of its wait, also when a cancelled thread unwinds.
class WaiterCount {
public:
    explicit WaiterCount(std::atomic<int>* waiters) : waiters_(waiters) { waiters_->fetch_add(1); }
    ~WaiterCount() { waiters_->fetch_sub(1); }
    WaiterCount(const WaiterCount&) = delete;
    WaiterCount& operator=(const WaiterCount&) = delete;

private:
    std::atomic<int>* waiters_;
};

}  // namespace

Event* createEvent() {
    auto* event = new (std::nothrow) Event;
    if (event == nullptr) {
        return nullptr;
    }
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    const bool ready =
        pthread_mutex_init(&event->mutex, nullptr) == 0 && pthread_cond_init(&event->condition, &attributes) == 0;
    pthread_condattr_destroy(&attributes);
    if (!ready) {
        delete event;
        return nullptr;
    }
    event->signalled.store(false);
    event->generation.store(0);
    event->waiters.store(0);
    event->live = Liveness::Event;
    return event;
}

void closeEvent(Event* event) {
    if (event == nullptr) {
        return;
    }
    UTIL_DCHECK(event->live == Liveness::Event);
    event->live = Liveness::Freed;
    pthread_cond_destroy(&event->condition);
    pthread_mutex_destroy(&event->mutex);
    delete event;
}

void setEvent(Event* event) {
    if (event == nullptr) {
        return;
    }
    UTIL_DCHECK(event->live == Liveness::Event);
    event->generation.fetch_add(1);
    event->signalled.store(true);
    if (event->waiters.load() > 0) {
        pthread_mutex_lock(&event->mutex);
        pthread_cond_broadcast(&event->condition);
        pthread_mutex_unlock(&event->mutex);
    }
}

void resetEvent(Event* event) {
    if (event != nullptr) {
        UTIL_DCHECK(event->live == Liveness::Event);
        event->signalled.store(false);
    }
}

WaitResult waitForEvent(Event* event, unsigned long timeoutMs, bool /*alertable*/) {
    if (event == nullptr) {
        return WaitResult::Failed;
    }
    UTIL_DCHECK(event->live == Liveness::Event);
    const timespec deadline = monotonicDeadlineAfter(timeoutMs == kWaitForever ? 0 : timeoutMs);
    const unsigned long startGeneration = event->generation.load();
    if (event->signalled.load()) {
        return WaitResult::Signalled;
    }
    if (timeoutMs == 0) {
        return event->generation.load() == startGeneration ? WaitResult::TimedOut : WaitResult::Signalled;
    }
    MutexHold hold(&event->mutex);
    WaiterCount registered(&event->waiters);
    WaitResult result = WaitResult::Signalled;
    while (!event->signalled.load() && event->generation.load() == startGeneration) {
        if (timeoutMs == kWaitForever) {
            pthread_cond_wait(&event->condition, &event->mutex);
        } else if (pthread_cond_timedwait(&event->condition, &event->mutex, &deadline) == ETIMEDOUT) {
            if (!event->signalled.load() && event->generation.load() == startGeneration) {
                result = WaitResult::TimedOut;
            }
            break;
        }
    }
    return result;
}

}  // namespace platform
}  // namespace util
