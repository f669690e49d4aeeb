// Helpers for the message-queue tests: malloc'd messages with a payload, and a
// FIFO that records its shutdown hooks and destruction.
#ifndef UTIL_TESTS_CONTAINERS_FIFO_TEST_SUPPORT_H
#define UTIL_TESTS_CONTAINERS_FIFO_TEST_SUPPORT_H

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>

#include "containers/fifo.h"
#include "sync/sync_test_support.h"

namespace fifo_test {

using sync_test::eventually;
using sync_test::millisecondsSince;

struct Message {
    FIFO_MSG header;
    std::uint32_t value;
};

// ulUser gets value ^ 0x5A5A5A5A (the queue must leave it), pNext garbage (the queue must overwrite it).
inline FIFO_MSG* makeMessage(std::uint32_t value, std::uint32_t size = 0) {
    auto* message = static_cast<Message*>(std::malloc(sizeof(Message)));
    *message = Message{{reinterpret_cast<FIFO_MSG*>(message), value ^ 0x5A5A5A5Au, size}, value};
    return &message->header;
}
inline std::uint32_t valueOf(FIFO_MSG* message) { return reinterpret_cast<Message*>(message)->value; }

class TrackedFifo : public FIFO {
public:
    std::atomic<int>* destroyed;  // counts destruction: the object is gone when a test reads it
    std::function<void()> onPreShutdown;  // runs before the queue is drained
    explicit TrackedFifo(std::atomic<int>& destroyedCount) : destroyed(&destroyedCount) {}
    ~TrackedFifo() override { ++*destroyed; }

protected:
    void PreShutdown() override {
        if (onPreShutdown) onPreShutdown();
        FIFO::PreShutdown();
    }
};

}  // namespace fifo_test

#endif
