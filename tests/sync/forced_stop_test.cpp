// Forced stops: the destructor's kill after 6 s and the platform's forced stop.
// On POSIX they end a thread by cancellation, which unwinds it out of a
// blocking call; ThreadSanitizer loses track of such a thread's locks, so these
// tests run natively, under AddressSanitizer and under Wine, not in the
// ThreadSanitizer run.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <chrono>
#include <thread>

#include "platform/thread.h"
#include "sync/sync_test_support.h"
#include "sync/zn_thread.h"

using namespace util::platform;
using sync_test::eventually;
using sync_test::millisecondsSince;

namespace {

std::atomic<int> routineRuns{0};

unsigned long countedRoutine(void* argument) {
    ++routineRuns;
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(argument));
}

unsigned long sleepingRoutine(void*) {
    for (;;) {
        sleepMilliseconds(5);
    }
}

// Ignores bTerminate; after its first tick it touches only its stack.
class Stubborn : public ZnThread {
public:
    std::atomic<int> executed{0};

protected:
    unsigned long Execute() override {
        ++executed;
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
};

}  // namespace

TEST(PlatformThread, ForcedStopSetsTheExitCode) {
    void* thread = createThread(sleepingRoutine, nullptr, false, nullptr);
    ASSERT_NE(nullptr, thread);
    EXPECT_FALSE(waitForThread(thread, 30));
    EXPECT_TRUE(terminateThread(thread, 0xFFFFFFFFul));
    ASSERT_TRUE(waitForThread(thread, 10000));
    unsigned long code = 0;
    ASSERT_TRUE(threadExitCode(thread, &code));
    EXPECT_EQ(0xFFFFFFFFul, code);
    closeThread(thread);
}

TEST(PlatformThread, ForcedStopOfAThreadThatNeverStarted) {
    routineRuns = 0;
    void* thread = createThread(countedRoutine, nullptr, true, nullptr);
    ASSERT_NE(nullptr, thread);
    EXPECT_TRUE(terminateThread(thread, 9));
    ASSERT_TRUE(waitForThread(thread, 10000));
    unsigned long code = 0;
    ASSERT_TRUE(threadExitCode(thread, &code));
    EXPECT_EQ(9u, code);
    EXPECT_EQ(0, routineRuns.load());
    closeThread(thread);
}

TEST(ZnThread, DestructorKillsAThreadThatIgnoresTheRequest) {
    auto* worker = new Stubborn;
    ASSERT_EQ(1u, worker->Create(0));
    ASSERT_EQ(1u, worker->Resume());
    ASSERT_TRUE(eventually([&] { return worker->executed.load() == 1; }));
    const auto start = std::chrono::steady_clock::now();
    delete worker;
    const long long elapsed = millisecondsSince(start);
    EXPECT_GE(elapsed, 5900);
    EXPECT_LT(elapsed, 9000);
}

