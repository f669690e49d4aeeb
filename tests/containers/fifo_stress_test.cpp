// Eight producers and eight consumers pass FIFO_STRESS_MESSAGES messages
// through one queue: every message arrives exactly once and the byte total
// returns to 0. Then the owner shuts the queue down while the consumers still
// hold references and leftover messages are queued.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "containers/fifo_test_support.h"

#ifndef FIFO_STRESS_MESSAGES
#define FIFO_STRESS_MESSAGES 1000000
#endif

using namespace fifo_test;

namespace {

const std::uint32_t kMessages = FIFO_STRESS_MESSAGES, kLeftovers = 1000;
const int kProducers = 8, kConsumers = 8;
const std::uint32_t kStopUser = 0xFFFFFFFFu;  // ulUser of the message that ends a consumer's run

std::uint32_t sizeOf(std::uint32_t value) { return value % 64 + 1; }

void sendStops(FIFO* queue) {  // one stop message per consumer
    for (int c = 0; c < kConsumers; ++c) ASSERT_EQ(1, queue->EntQ(makeMessage(kStopUser)));
}

}  // namespace

TEST(FifoStress, EveryMessageOnceThenShutdownUnderLoad) {
    std::atomic<int> destroyed{0}, stopped{0};
    TrackedFifo* queue = new TrackedFifo(destroyed);
    for (int i = 0; i < kConsumers; ++i) queue->AddRef();
    std::unique_ptr<std::atomic<unsigned char>[]> seen(new std::atomic<unsigned char>[kMessages]());
    std::atomic<unsigned long long> consumedBytes{0};
    std::atomic<bool> stop{false};
    std::atomic<unsigned> releases{0};  // bit n: a Release returned n

    // Consumers wait without a time-out, so a wake-up lost while a message is
    // queued leaves one asleep; each ends its run at the first stop message.
    std::vector<std::thread> threads;
    for (int c = 0; c < kConsumers; ++c) {
        threads.emplace_back([&] {
            for (FIFO_MSG* message; (message = queue->DeptQ(0xFFFFFFFFul)) != nullptr; std::free(message)) {
                if (message->ulUser == kStopUser) {
                    std::free(message);
                    break;
                }
                seen[message->ulUser % kMessages].fetch_add(1);  // a stray value shows as a miscount
                consumedBytes += message->ulSize;
            }
            ++stopped;
            while (!stop.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));  // holding its reference
            releases |= 1u << queue->Release();
        });
    }
    std::vector<std::thread> producers;
    for (std::uint32_t p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            for (std::uint32_t value = p; value < kMessages; value += kProducers) {
                FIFO_MSG* message = makeMessage(value, sizeOf(value));
                while (queue->EntQ(message) == 0) std::this_thread::yield();  // full: the message stays ours
            }
        });
    }
    for (auto& producer : producers) producer.join();
    sendStops(queue);
    if (!eventually([&] { return stopped.load() == kConsumers; }, std::chrono::seconds(60))) {
        ADD_FAILURE() << "a consumer slept through queued messages";
        sendStops(queue);  // wake it so that the test can end
        ASSERT_TRUE(eventually([&] { return stopped.load() == kConsumers; }, std::chrono::seconds(60)));
    }
    unsigned long long expectedBytes = 0;
    for (std::uint32_t value = 0; value < kMessages; ++value) {
        ASSERT_EQ(1, seen[value].load()) << value;
        expectedBytes += sizeOf(value);
    }
    EXPECT_EQ(expectedBytes, consumedBytes.load());
    EXPECT_EQ(0u, queue->GetMsgSize());
    EXPECT_EQ(0, queue->QSize());

    // Leftovers, then the owner's shutdown while all eight consumers still hold
    // references; they release once the drain has begun, and the drain frees
    // every leftover (checked by the leak checker).
    for (std::uint32_t value = 0; value < kLeftovers; ++value) ASSERT_EQ(1, queue->EntQ(makeMessage(value, 1)));
    queue->onPreShutdown = [&] { stop = true; };
    queue->Shutdown(0);
    EXPECT_EQ(1, destroyed.load());
    for (auto& consumer : threads) consumer.join();
    EXPECT_EQ(0xFFu, releases.load()) << "the eight releases return 7 down to 0";
}
