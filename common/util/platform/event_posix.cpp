#include "platform/event.h"

#include <pthread.h>
#include <time.h>

#include <cerrno>
#include <new>

namespace util {
namespace platform {

namespace {

struct PosixEvent {
    pthread_mutex_t mutex;
    pthread_cond_t condition;
    bool signalled;
    unsigned long generation;  // raised by every set: releases the waiters of that moment
};

timespec deadlineAfter(unsigned long timeoutMs) {
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += static_cast<time_t>(timeoutMs / 1000);
    deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    return deadline;
}

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

}  // namespace

void* createEvent() {
    auto* event = new (std::nothrow) PosixEvent;
    if (event == nullptr) {
        return nullptr;
    }
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    const bool ready = pthread_mutex_init(&event->mutex, nullptr) == 0 &&
                       pthread_cond_init(&event->condition, &attributes) == 0;
    pthread_condattr_destroy(&attributes);
    if (!ready) {
        delete event;
        return nullptr;
    }
    event->signalled = false;
    event->generation = 0;
    return event;
}

void closeEvent(void* handle) {
    if (handle == nullptr) {
        return;
    }
    auto* event = static_cast<PosixEvent*>(handle);
    pthread_cond_destroy(&event->condition);
    pthread_mutex_destroy(&event->mutex);
    delete event;
}

void setEvent(void* handle) {
    if (handle == nullptr) {
        return;
    }
    auto* event = static_cast<PosixEvent*>(handle);
    pthread_mutex_lock(&event->mutex);
    event->signalled = true;
    ++event->generation;
    pthread_cond_broadcast(&event->condition);
    pthread_mutex_unlock(&event->mutex);
}

void resetEvent(void* handle) {
    if (handle == nullptr) {
        return;
    }
    auto* event = static_cast<PosixEvent*>(handle);
    pthread_mutex_lock(&event->mutex);
    event->signalled = false;
    pthread_mutex_unlock(&event->mutex);
}

WaitResult waitForEvent(void* handle, unsigned long timeoutMs, bool /*alertable*/) {
    if (handle == nullptr) {
        return WaitResult::Failed;
    }
    auto* event = static_cast<PosixEvent*>(handle);
    const timespec deadline = deadlineAfter(timeoutMs == kWaitForever ? 0 : timeoutMs);
    MutexHold hold(&event->mutex);
    const unsigned long startGeneration = event->generation;
    WaitResult result = WaitResult::Signalled;
    while (!event->signalled && event->generation == startGeneration) {
        if (timeoutMs == kWaitForever) {
            pthread_cond_wait(&event->condition, &event->mutex);
        } else if (timeoutMs == 0 ||
                   pthread_cond_timedwait(&event->condition, &event->mutex, &deadline) == ETIMEDOUT) {
            if (!event->signalled && event->generation == startGeneration) {
                result = WaitResult::TimedOut;
            }
            break;
        }
    }
    return result;
}

}  // namespace platform
}  // namespace util
