// The platform's events, locks and threads, and the exit code of a ZnThread thread
// (read through the internal thread handle).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "platform/lock.h"
#include "platform/thread.h"
#include "support/test_support.h"
#include "sync/zn_thread.h"

using namespace util::platform;

TEST(PlatformEvent, ManualResetAndTimeouts) {
    Event* event = createEvent();
    ASSERT_NE(nullptr, event);
    EXPECT_EQ(WaitResult::TimedOut, waitForEvent(event, 0));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitResult::TimedOut, waitForEvent(event, 100));
    EXPECT_GE(util_test::millisecondsSince(start), 90);
    setEvent(event);
    EXPECT_EQ(WaitResult::Signalled, waitForEvent(event, 0));
    EXPECT_EQ(WaitResult::Signalled, waitForEvent(event, kWaitForever));  // stays set
    resetEvent(event);
    EXPECT_EQ(WaitResult::TimedOut, waitForEvent(event, 0));
    EXPECT_EQ(WaitResult::Failed, waitForEvent(nullptr, 0));
    closeEvent(event);
}

// A set releases every thread waiting at that moment, even when the event is
// reset before they run.
TEST(PlatformEvent, SetReleasesAllWaitersDespiteReset) {
    Event* event = createEvent();
    std::atomic<int> released{0}, waiting{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&] {
            ++waiting;
            if (waitForEvent(event, 10000) == WaitResult::Signalled) ++released;
        });
    }
    ASSERT_TRUE(util_test::eventually([&] { return waiting.load() == 4; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    setEvent(event);
    resetEvent(event);
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(4, released.load());
    closeEvent(event);
}

std::atomic<int> routineRuns{0};

// tryEnterCriticalSection takes a free lock and one this thread already holds
// (the lock is recursive: each success needs its leave), never one that
// another thread holds.
TEST(PlatformLock, TryEnterTakesOnlyWhatNeedsNoWait) {
    Lock* lock = createCriticalSection();
    ASSERT_NE(nullptr, lock);
    auto triedElsewhere = [lock] {
        bool taken = false;
        std::thread([&] {
            taken = tryEnterCriticalSection(lock);
            if (taken) leaveCriticalSection(lock);
        }).join();
        return taken;
    };
    ASSERT_TRUE(tryEnterCriticalSection(lock));
    ASSERT_TRUE(tryEnterCriticalSection(lock));
    EXPECT_FALSE(triedElsewhere());
    leaveCriticalSection(lock);
    EXPECT_FALSE(triedElsewhere());
    leaveCriticalSection(lock);
    EXPECT_TRUE(triedElsewhere());
    deleteCriticalSection(lock);
}

TEST(PlatformThread, SuspendedThreadRunsAfterResumeAndReportsItsExitCode) {
    Thread* thread = createThread(
        [](void* argument) {
            ++routineRuns;
            return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(argument));
        },
        reinterpret_cast<void*>(42), true, nullptr);
    ASSERT_NE(nullptr, thread);
    unsigned long code = 0;
    EXPECT_FALSE(waitForThread(thread, 50));
    EXPECT_EQ(0, routineRuns.load());
    EXPECT_FALSE(threadExitCode(thread, &code));
    EXPECT_TRUE(setThreadPriority(thread, 0));
    EXPECT_EQ(1u, suspendThread(thread));  // counts like Win32: two resumes needed now
    EXPECT_EQ(2u, resumeThread(thread));
    EXPECT_FALSE(waitForThread(thread, 50));
    EXPECT_EQ(1u, resumeThread(thread));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(waitForThread(thread, 10000));
    EXPECT_LT(util_test::millisecondsSince(start), 5000);  // woken by the end, not by the time-out
    EXPECT_EQ(1, routineRuns.load());
    ASSERT_TRUE(threadExitCode(thread, &code));
    EXPECT_EQ(42u, code);
    EXPECT_EQ(0u, resumeThread(thread));  // an ended thread: nothing to resume
    EXPECT_EQ(kThreadCallFailed, suspendThread(thread));
    closeThread(thread);
}

// A suspension does not cut the library's sleep short: it sleeps its full time.
TEST(PlatformThread, SleepGoesOnAfterASuspension) {
    static std::atomic<long long> slept{0};
    static std::atomic<int> started{0};
    Thread* thread = createThread(
        [](void*) -> unsigned long {
            ++started;
            const auto start = std::chrono::steady_clock::now();
            sleepMilliseconds(400);
            slept = util_test::millisecondsSince(start);
            return 0;
        },
        nullptr, false, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_TRUE(util_test::eventually([] { return started.load() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(0u, suspendThread(thread));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(1u, resumeThread(thread));
    ASSERT_TRUE(waitForThread(thread, 10000));
    EXPECT_GE(slept.load(), 395);
    closeThread(thread);
}

TEST(ZnThreadExitCode, BaseExecuteEndsWithOne) {
    ZnThread worker;
    ASSERT_EQ(1u, worker.Create(0));
    ASSERT_EQ(1u, worker.Resume());
    ASSERT_TRUE(waitForThread(threadFromField(worker.GetHandle()), 10000));
    unsigned long code = 0;
    ASSERT_TRUE(threadExitCode(threadFromField(worker.GetHandle()), &code));
    EXPECT_EQ(1u, code);
    EXPECT_EQ(1, worker.IsTerminated());
}

#if defined(UTIL_DCHECK_ON)
// The check's own message, or ThreadSanitizer's: under it the misuse is
// reported, and the process stopped, before the check is reached.
const char kStopped[] = "check failed|ThreadSanitizer";
// The Debug and sanitizer builds stop on a broken REQUIRES line of lock.h.
TEST(PlatformLockDeathTest, LeavingALockNotHeldStops) {
    Lock* lock = createCriticalSection();
    EXPECT_DEATH(leaveCriticalSection(lock), kStopped);
    std::thread([lock] { EXPECT_DEATH(leaveCriticalSection(lock), kStopped); }).join();
    enterCriticalSection(lock);
    leaveCriticalSection(lock);
    EXPECT_DEATH(enterCriticalSection(nullptr), kStopped);
    deleteCriticalSection(lock);
}

// Handles travel through the exported classes' void* fields, where the compiler
// cannot tell their kinds apart: a handle of the wrong kind, or one already
// freed, stops at its next use.
const char kMisused[] = "check failed|AddressSanitizer|ThreadSanitizer";
TEST(PlatformHandleDeathTest, WrongKindOrFreedHandleStops) {
    Event* event = createEvent();
    Lock* lock = createCriticalSection();
    EXPECT_DEATH(enterCriticalSection(lockFromField(eventToField(event))), kMisused);
    EXPECT_DEATH(setEvent(eventFromField(lockToField(lock))), kMisused);
    EXPECT_DEATH(waitForThread(threadFromField(eventToField(event)), 0), kMisused);
    deleteCriticalSection(lock);
    EXPECT_DEATH(deleteCriticalSection(lock), kMisused);
    closeEvent(event);
    EXPECT_DEATH(closeEvent(event), kMisused);
    Thread* thread = createThread([](void*) -> unsigned long { return 0; }, nullptr, false, nullptr);
    closeThread(thread);
    EXPECT_DEATH(closeThread(thread), kMisused);
}
#endif
