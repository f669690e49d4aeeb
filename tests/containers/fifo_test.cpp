// The message queue: order, counts and bytes, refusals, waits and Notify, shutdown and
// its lifetimes, the lost wake-up mended in DeptQ, and a stress run of sixteen threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "containers/fifo.h"
#include "support/test_support.h"

using util_test::eventually;

namespace {

// A malloc'd message: value in ulUser, which the queue never touches; pNext garbage, which it overwrites.
FIFO_MSG* makeMessage(std::uint32_t value, std::uint32_t size = 0) {
    auto* message = static_cast<FIFO_MSG*>(std::malloc(sizeof(FIFO_MSG)));
    *message = FIFO_MSG{message, value, size};
    return message;
}

// Takes one message, checks it and frees it.
void expectNext(FIFO* queue, std::uint32_t value) {
    FIFO_MSG* message = queue->DeptQ(0);
    ASSERT_NE(nullptr, message);
    EXPECT_EQ(value, message->ulUser);
    std::free(message);
}

std::atomic<int> destroyedFifos{0};  // TestFifo objects deleted so far

// Counts its destruction, runs a hook once PreShutdown has drained it, and pauses the chosen
// thread after its next Unlock (a consumer of an empty queue unlocks as a waiter, before it sleeps).
class TestFifo : public FIFO {
public:
    std::function<void()> afterDrain;
    std::atomic<std::thread::id> pauseThread{};
    std::atomic<bool> paused{false}, proceed{false};
    ~TestFifo() override { ++destroyedFifos; }
    void Unlock() override {
        FIFO::Unlock();
        if (pauseThread.load() != std::this_thread::get_id()) return;
        pauseThread = std::thread::id();
        paused = true;
        eventually([&] { return proceed.load(); });
    }

protected:
    void PreShutdown() override {
        FIFO::PreShutdown();
        if (afterDrain) afterDrain();
    }
};

}  // namespace

// Steps: 'E' EntQ, 'F' EntQAtFront, 'D' DeptQ of `value`, 'N' DeptQ of nothing; then the count and
// bytes. A message into an empty queue is head and tail: appending or pushing in front both see it.
// Shutdown frees what is queued and deletes the queue; nFifo counts every queue ever made.
TEST(Fifo, OrderCountsBytesAndShutdown) {
    const struct {
        char op;
        std::uint32_t value, size;
        int count;
        unsigned long bytes;
    } steps[] = {{'N', 0, 0, 0, 0},    {'E', 'P', 10, 1, 10}, {'E', 'Q', 20, 2, 30}, {'F', 'R', 5, 3, 35},
                 {'D', 'R', 0, 2, 30}, {'D', 'P', 0, 1, 20},  {'D', 'Q', 0, 0, 0},   {'N', 0, 0, 0, 0},
                 {'F', 'V', 8, 1, 8},  {'E', 'W', 16, 2, 24}, {'D', 'V', 0, 1, 16},  {'D', 'W', 0, 0, 0}};
    const int before = FIFO::nFifo, gone = destroyedFifos;
    TestFifo* queue = new TestFifo;
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << step.op << step.value);
        if (step.op == 'E' || step.op == 'F') {
            FIFO_MSG* message = makeMessage(step.value, step.size);
            EXPECT_EQ(1, step.op == 'E' ? queue->EntQ(message) : queue->EntQAtFront(message));
        } else if (step.op == 'D') {
            expectNext(queue, step.value);
        } else {
            EXPECT_EQ(nullptr, queue->DeptQ(0));
        }
        EXPECT_EQ(step.count, queue->QSize());
        EXPECT_EQ(step.bytes, queue->GetMsgSize());
    }
    char name[] = "first";
    queue->SetName(name);  // a copy, freed with the queue
    EXPECT_STREQ("FIFO", queue->Name()) << "a name never replaces the type's";
    queue->EntQ(makeMessage(1, 100));
    queue->Shutdown(0);
    EXPECT_EQ(gone + 1, destroyedFifos.load());
    EXPECT_EQ(before + 1, FIFO::nFifo);
}

// Null and a full queue are refused without harm. The last Release of a queue nobody watches frees
// what is queued and deletes the queue.
TEST(Fifo, RefusesNullAndFullWithoutCorruption) {
    const int gone = destroyedFifos;
    TestFifo* queue = new TestFifo;
    EXPECT_EQ(0, queue->EntQ(nullptr) + queue->EntQAtFront(nullptr) + queue->QSize());
    for (std::uint32_t i = 0; i < 65535; ++i) ASSERT_EQ(1, queue->EntQ(makeMessage(i, 2)));
    FIFO_MSG* refused = makeMessage(99999, 7);
    EXPECT_EQ(0, queue->EntQ(refused) + queue->EntQAtFront(refused));
    EXPECT_EQ(131070u, queue->GetMsgSize());
    expectNext(queue, 0);
    EXPECT_EQ(1, queue->EntQAtFront(refused));  // room again: the caller's message goes in
    expectNext(queue, 99999);
    EXPECT_EQ(65534, queue->QSize());
    queue->AddRef();
    EXPECT_EQ(0u, queue->Release());  // frees the 65534 still queued (checked by the leak checker)
    EXPECT_EQ(gone + 1, destroyedFifos.load());
}

// DeptQ times out and wakes on an insertion. Notify on an empty queue leaves the event set: DeptQ
// must neither spin without end nor return early with nothing, and a consumer it wakes waits again.
TEST(Fifo, DeptQTimesOutWakesOnInsertionAndSurvivesNotify) {
    FIFO* queue = new FIFO;
    queue->Notify();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(nullptr, queue->DeptQ(150));  // woken at once, then waits its full time-out
    EXPECT_GE(util_test::millisecondsSince(start), 140);
    EXPECT_LT(util_test::millisecondsSince(start), 2000);

    std::thread consumer([&] {
        FIFO_MSG* message = queue->DeptQ(5000);  // null if Notify ended its wait, or the insertion did not
        ASSERT_NE(nullptr, message);
        EXPECT_EQ(7u, message->ulUser);
        std::free(message);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    queue->Notify();  // wakes the consumer, which finds nothing and waits again
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    queue->EntQ(makeMessage(7, 3));
    consumer.join();
    queue->Shutdown(0);
}

// A consumer is about to sleep on an empty queue; two messages come and another consumer takes
// one. The one left must still wake the first (a removal that leaves messages keeps the event).
TEST(Fifo, RemovalLeavingMessagesKeepsConsumersAwake) {
    TestFifo* queue = new TestFifo;
    FIFO_MSG* got = nullptr;
    std::thread consumer([&] {
        queue->pauseThread = std::this_thread::get_id();
        got = queue->DeptQ(3000);  // null if it slept through the message left
    });
    ASSERT_TRUE(eventually([&] { return queue->paused.load(); }));
    queue->EntQ(makeMessage('R'));
    queue->EntQ(makeMessage('S'));
    expectNext(queue, 'R');
    queue->proceed = true;
    consumer.join();
    ASSERT_NE(nullptr, got);
    EXPECT_EQ(static_cast<std::uint32_t>('S'), got->ulUser);
    std::free(got);
    queue->Shutdown(0);
}

// Eight producers and eight consumers pass FIFO_STRESS_MESSAGES messages through one queue, each
// exactly once; then the owner shuts it down while the consumers hold references and still queue.
TEST(FifoStress, EveryMessageOnceThenShutdownUnderLoad) {
    const std::uint32_t kMessages = FIFO_STRESS_MESSAGES, kStop = 0xFFFFFFFFu;  // kStop ends a consumer's run
    const int kThreads = 8, gone = destroyedFifos;
    std::atomic<int> stopped{0};
    std::atomic<bool> stop{false};
    std::vector<std::atomic<unsigned char>> seen(kMessages);
    TestFifo* queue = new TestFifo;
    // Consumers wait without a time-out: a wake-up lost while a message is queued leaves one asleep.
    std::vector<std::thread> consumers, producers;
    for (int c = 0; c < kThreads; ++c) {
        queue->AddRef();
        consumers.emplace_back([&] {
            FIFO_MSG* message;
            while ((message = queue->DeptQ(0xFFFFFFFFul)) != nullptr && message->ulUser != kStop) {
                seen[message->ulUser % kMessages].fetch_add(1);  // a stray value shows as a miscount
                std::free(message);
            }
            std::free(message);
            ++stopped;
            while (!stop.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));  // holding its reference
            // Queued while Shutdown waits for the users: freed once the last is gone (else the leak checker tells).
            EXPECT_EQ(1, queue->EntQ(makeMessage(kStop, 8)));
            queue->Release();
        });
    }
    for (std::uint32_t p = 0; p < kThreads; ++p) {
        producers.emplace_back([&, p] {
            for (std::uint32_t value = p; value < kMessages; value += kThreads) {
                FIFO_MSG* message = makeMessage(value, value % 64 + 1);
                while (queue->EntQ(message) == 0) std::this_thread::yield();  // full: the message stays ours
            }
        });
    }
    for (auto& producer : producers) producer.join();
    for (int c = 0; c < kThreads; ++c) queue->EntQ(makeMessage(kStop));
    const bool allStopped = eventually([&] { return stopped.load() == kThreads; }, std::chrono::seconds(60));
    EXPECT_TRUE(allStopped) << "a consumer slept through queued messages";
    if (!allStopped) queue->Notify();  // wake it so that the test can end
    for (std::uint32_t value = 0; value < kMessages; ++value) ASSERT_EQ(1, seen[value].load()) << value;
    EXPECT_EQ(0u, queue->GetMsgSize());  // sizes of 1 to 64 bytes came and went
    for (std::uint32_t value = 0; value < 1000; ++value) queue->EntQ(makeMessage(value, 1));  // freed by Shutdown
    queue->afterDrain = [&] { stop = true; };  // the consumers queue and release while Shutdown waits
    queue->Shutdown(0);
    EXPECT_EQ(gone + 1, destroyedFifos.load());
    for (auto& consumer : consumers) consumer.join();
}
