// The destructor's kill after 6 s: a stopped thread is parked for good and
// never runs again. ThreadSanitizer would report its last, never-finished
// accesses, so this binary runs natively, under AddressSanitizer and under
// Wine, not in the ThreadSanitizer run.
#include <gtest/gtest.h>

#include "sync/sync_test_support.h"
#include "sync/zn_thread.h"

TEST(ZnThread, DestructorKillsAThreadThatIgnoresTheRequest) {
    for (bool inDestructor : {false, true}) {
        using sync_test::Worker;
        auto* worker = new Worker(inDestructor ? Worker::kStuckInDestructor : Worker::kStubborn);
        ASSERT_EQ(1u, worker->Create(0));
        ASSERT_EQ(1u, worker->Resume());
        ASSERT_TRUE(sync_test::eventually([&] { return worker->executed.load() == 1; }));
        const auto start = std::chrono::steady_clock::now();
        delete worker;
        EXPECT_GE(sync_test::millisecondsSince(start), 5900) << inDestructor;
        EXPECT_LT(sync_test::millisecondsSince(start), 9000) << inDestructor;
        const int ticks = Worker::stubbornTicks.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(ticks, Worker::stubbornTicks.load()) << "the thread runs on after the destructor";
    }
}
