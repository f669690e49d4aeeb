// The destructor's kill after 6 s parks a thread for good: ThreadSanitizer would report its last accesses.
#include <gtest/gtest.h>

#include "sync/sync_test_support.h"

// It ignores the request inside a noexcept destructor, which a stop by unwinding would turn into an abort.
TEST(ZnThread, DestructorKillsAThreadThatIgnoresTheRequest) {
    using sync_test::Worker;
    auto* worker = new Worker(Worker::kStuck);
    ASSERT_TRUE(worker->Create(0) == 1 && worker->Resume() == 1);
    ASSERT_TRUE(util_test::eventually([&] { return Worker::ticks.load() > 0; }));
    const auto start = std::chrono::steady_clock::now();
    delete worker;
    EXPECT_GE(util_test::millisecondsSince(start), 5900);
    const int ticks = Worker::ticks.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(ticks, Worker::ticks.load()) << "the thread runs on after the destructor";
}
