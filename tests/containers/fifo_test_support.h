// Helpers for the message-queue tests: malloc'd messages, and a
// FIFO that records its shutdown hooks and destruction.
#ifndef UTIL_TESTS_CONTAINERS_FIFO_TEST_SUPPORT_H
#define UTIL_TESTS_CONTAINERS_FIFO_TEST_SUPPORT_H

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>

#include "containers/fifo.h"
#include "support/test_support.h"

namespace fifo_test {

using util_test::eventually;
using util_test::millisecondsSince;

// A malloc'd message carrying value in ulUser, which the queue must never touch,
// and a garbage pNext, which the queue must overwrite.
inline FIFO_MSG* makeMessage(std::uint32_t value, std::uint32_t size = 0) {
    auto* message = static_cast<FIFO_MSG*>(std::malloc(sizeof(FIFO_MSG)));
    *message = FIFO_MSG{message, value, size};
    return message;
}

class TrackedFifo : public FIFO {
public:
    std::atomic<int>* destroyed;             // counts destruction: the object is gone when a test reads it
    std::function<void()> onPreShutdown;     // runs before the queue is drained
    std::function<void()> afterPreShutdown;  // runs once it is drained, before the wait for users
    explicit TrackedFifo(std::atomic<int>& destroyedCount) : destroyed(&destroyedCount) {}
    ~TrackedFifo() override { ++*destroyed; }

protected:
    void PreShutdown() override {
        if (onPreShutdown) onPreShutdown();
        FIFO::PreShutdown();
        if (afterPreShutdown) afterPreShutdown();
    }
};

}  // namespace fifo_test

#endif
