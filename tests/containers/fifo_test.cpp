// The message queue on one or two threads: order, counts and byte totals, the
// full and null refusals, waits, Notify, shutdown, and the lost wake-up mended
// in DeptQ.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "containers/fifo_test_support.h"

using namespace fifo_test;

namespace {

// Takes one message, checks it and frees it.
void expectNext(FIFO* queue, std::uint32_t value) {
    FIFO_MSG* message = queue->DeptQ(0);
    ASSERT_NE(nullptr, message);
    EXPECT_EQ(value, message->ulUser);  // the queue never touches it
    if (queue->QSize() == 0) {
        EXPECT_EQ(nullptr, message->pNext);
    }  // the last one links nothing
    std::free(message);
}

// Pauses one chosen thread right after its n-th unlock of the queue: on an
// empty queue DeptQ unlocks first to poll the count, then to wait. The test can
// then change the queue in that gap.
class PausingFifo : public FIFO {
public:
    std::atomic<std::thread::id> pauseThread{};
    std::atomic<int> pauseAtUnlock{1};
    std::atomic<bool> paused{false}, proceed{false};
    void Unlock() override {
        FIFO::Unlock();
        if (pauseThread.load() != std::this_thread::get_id() || --pauseAtUnlock > 0) return;
        pauseThread = std::thread::id();
        paused = true;
        eventually([&] { return proceed.load(); });
    }
};

}  // namespace

// Steps: 'E' EntQ, 'F' EntQAtFront, 'D' DeptQ of `value`, 'N' DeptQ of nothing;
// then the count and byte total. After the last message, a new one is head and
// tail at once: appending behind it and pushing in front of it both see it.
TEST(Fifo, OrderCountsAndBytes) {
    const struct {
        char op;
        std::uint32_t value, size;
        int count;
        unsigned long bytes;
    } steps[] = {{'N', 0, 0, 0, 0},    {'E', 'P', 10, 1, 10}, {'E', 'Q', 20, 2, 30}, {'F', 'R', 5, 3, 35},
                 {'D', 'R', 0, 2, 30}, {'D', 'P', 0, 1, 20},  {'D', 'Q', 0, 0, 0},   {'N', 0, 0, 0, 0},
                 {'F', 'V', 8, 1, 8},  {'E', 'W', 16, 2, 24}, {'D', 'V', 0, 1, 16},  {'D', 'W', 0, 0, 0}};
    FIFO* queue = new FIFO;
    for (const auto& step : steps) {
        SCOPED_TRACE(std::string(1, step.op) + std::to_string(step.value));
        if (step.op == 'E') {
            EXPECT_EQ(1, queue->EntQ(makeMessage(step.value, step.size)));
        }
        if (step.op == 'F') {
            EXPECT_EQ(1, queue->EntQAtFront(makeMessage(step.value, step.size)));
        }
        if (step.op == 'D') expectNext(queue, step.value);
        if (step.op == 'N') {
            EXPECT_EQ(nullptr, queue->DeptQ(0));
        }
        EXPECT_EQ(step.count, queue->QSize());
        EXPECT_EQ(step.bytes, queue->GetMsgSize());
    }
    queue->Shutdown(0);
}

TEST(Fifo, RefusesNullAndFullWithoutCorruption) {
    FIFO* queue = new FIFO;
    EXPECT_EQ(0, queue->EntQ(nullptr) + queue->EntQAtFront(nullptr) + queue->QSize());
    for (std::uint32_t i = 0; i < 65535; ++i) ASSERT_EQ(1, queue->EntQ(makeMessage(i, 2)));
    FIFO_MSG* refused = makeMessage(99999, 7);
    EXPECT_EQ(0, queue->EntQ(refused) + queue->EntQAtFront(refused));
    EXPECT_EQ(65535, queue->QSize());
    EXPECT_EQ(131070u, queue->GetMsgSize());
    expectNext(queue, 0);
    EXPECT_EQ(1, queue->EntQAtFront(refused));  // room again: the caller's message goes in
    expectNext(queue, 99999);
    expectNext(queue, 1);
    EXPECT_EQ(65533, queue->QSize());
    queue->Shutdown(0);  // frees the 65533 still queued (checked by the leak checker)
}

// DeptQ times out, and wakes on an insertion. Notify on an empty queue leaves
// the event set; DeptQ must neither spin without end nor return early with
// nothing, and a consumer that Notify wakes waits again.
TEST(Fifo, DeptQTimesOutWakesOnInsertionAndSurvivesNotify) {
    FIFO* queue = new FIFO;
    queue->Notify();
    EXPECT_EQ(nullptr, queue->DeptQ(0));
    queue->Notify();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(nullptr, queue->DeptQ(150));  // woken at once, then waits its full time-out
    EXPECT_GE(millisecondsSince(start), 140);
    EXPECT_LT(millisecondsSince(start), 2000);

    std::atomic<bool> done{false};
    std::thread consumer([&] {
        const auto begun = std::chrono::steady_clock::now();
        FIFO_MSG* message = queue->DeptQ(20000);
        EXPECT_LT(millisecondsSince(begun), 5000);
        ASSERT_NE(nullptr, message);
        EXPECT_EQ(7u, message->ulUser);
        std::free(message);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    queue->Notify();  // wakes the consumer, which finds nothing and waits again
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done.load());
    queue->EntQ(makeMessage(7, 3));
    consumer.join();
    EXPECT_TRUE(done.load());
    queue->Shutdown(0);
}

// Shutdown, and the last Release of an unwatched queue, free what is queued
// and delete the queue; names never replace "FIFO"; nFifo counts every queue ever made.
TEST(Fifo, ShutdownOrLastReleaseFreesQueuedMessagesAndDeletes) {
    const int before = FIFO::nFifo;
    std::atomic<int> destroyed{0};
    TrackedFifo* queue = new TrackedFifo(destroyed);
    TrackedFifo* counted = new TrackedFifo(destroyed);
    EXPECT_EQ(before + 2, FIFO::nFifo);
    char name[] = "first";
    queue->SetName(name);
    queue->SetName(nullptr);
    queue->SetName(name);
    EXPECT_STREQ("FIFO", queue->Name());
    queue->EntQ(makeMessage(1, 100));
    queue->EntQAtFront(makeMessage(2, 100));
    queue->Shutdown(0);
    EXPECT_EQ(1, destroyed.load());
    counted->AddRef();
    counted->EntQ(makeMessage(3, 1));
    EXPECT_EQ(0u, counted->Release());
    EXPECT_EQ(2, destroyed.load());
    EXPECT_EQ(before + 2, FIFO::nFifo);
}

// A user may still put messages in while Shutdown waits for it: they are freed
// once the last user has released the queue (the leak checker reports them otherwise).
TEST(Fifo, MessagesQueuedWhileShutdownWaitsAreFreed) {
    std::atomic<int> destroyed{0};
    TrackedFifo* queue = new TrackedFifo(destroyed);
    std::atomic<bool> drained{false};
    queue->afterPreShutdown = [&] { drained = true; };
    queue->AddRef();
    std::thread user([&] {
        EXPECT_TRUE(eventually([&] { return drained.load(); }));
        EXPECT_EQ(1, queue->EntQ(makeMessage(1, 8)));
        EXPECT_EQ(1, queue->EntQAtFront(makeMessage(2, 8)));
        queue->Release();
    });
    queue->Shutdown(0);
    user.join();
    EXPECT_EQ(1, destroyed.load());
}

// A consumer found the queue empty and is about to wait; meanwhile two
// messages come and another consumer takes one. The one left must still wake
// the first consumer (a removal that leaves messages must not clear the event).
TEST(Fifo, RemovalLeavingMessagesKeepsConsumersAwake) {
    PausingFifo* queue = new PausingFifo;
    queue->pauseAtUnlock = 1;  // counted as a waiter, paused before it sleeps
    FIFO_MSG* got = nullptr;
    long long waited = 0;
    std::thread consumer([&] {
        queue->pauseThread = std::this_thread::get_id();
        const auto start = std::chrono::steady_clock::now();
        got = queue->DeptQ(3000);
        waited = millisecondsSince(start);
    });
    ASSERT_TRUE(eventually([&] { return queue->paused.load(); }));
    queue->EntQ(makeMessage('R'));
    queue->EntQ(makeMessage('S'));
    expectNext(queue, 'R');
    queue->proceed = true;
    consumer.join();
    ASSERT_NE(nullptr, got);
    EXPECT_EQ(static_cast<std::uint32_t>('S'), got->ulUser);
    EXPECT_LT(waited, 2000);
    std::free(got);
    queue->Shutdown(0);
}
