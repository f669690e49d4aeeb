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

inline FIFO_MSG* makeMessage(std::uint32_t value, std::uint32_t size = 0) {
    auto* message = static_cast<Message*>(std::malloc(sizeof(Message)));
    message->header.pNext = reinterpret_cast<FIFO_MSG*>(message);  // the queue must overwrite it
    message->header.ulUser = value ^ 0x5A5A5A5Au;
    message->header.ulSize = size;
    message->value = value;
    return &message->header;
}

inline std::uint32_t valueOf(FIFO_MSG* message) { return reinterpret_cast<Message*>(message)->value; }

struct QueueCalls {
    std::atomic<int> post{0}, destroyed{0};
};

class TrackedFifo : public FIFO {
public:
    explicit TrackedFifo(QueueCalls& calls) : calls_(calls) {}
    ~TrackedFifo() override { ++calls_.destroyed; }
    std::function<void()> onPreShutdown;  // runs before the queue is drained

protected:
    void PreShutdown() override {
        if (onPreShutdown) onPreShutdown();
        FIFO::PreShutdown();
    }
    void PostShutdown() override {
        FIFO::PostShutdown();
        ++calls_.post;
    }

private:
    QueueCalls& calls_;
};

}  // namespace fifo_test

#endif
