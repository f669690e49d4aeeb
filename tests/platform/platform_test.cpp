// The platform layer's contracts, one group per header, natively and under Wine.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/event.h"
#include "platform/files.h"
#include "platform/interlocked.h"
#include "platform/lock.h"
#include "platform/process.h"
#include "platform/thread.h"
#include "support/test_support.h"

using namespace util::platform;

// A set stays until reset, and releases every thread waiting at that moment even
// when the event is reset before they run.
TEST(PlatformEvent, ManualResetReleasesAllWaitersAndTimesOut) {
    Event* event = createEvent();
    ASSERT_NE(nullptr, event);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitResult::TimedOut, waitForEvent(event, 100));
    EXPECT_GE(util_test::millisecondsSince(start), 90);
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
    EXPECT_EQ(WaitResult::TimedOut, waitForEvent(event, 0));
    setEvent(event);
    EXPECT_EQ(WaitResult::Signalled, waitForEvent(event, kWaitForever));  // stays set
    EXPECT_EQ(WaitResult::Failed, waitForEvent(nullptr, 0));
    closeEvent(event);
    closeEvent(nullptr);  // null handles are ignored
}

// tryEnterCriticalSection takes a free lock and one this thread already holds (each
// success needs its leave), never one that another thread holds.
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
    leaveCriticalSection(lock);
    EXPECT_FALSE(triedElsewhere());
    leaveCriticalSection(lock);
    EXPECT_TRUE(triedElsewhere());
    deleteCriticalSection(lock);
    deleteCriticalSection(nullptr);
}

// A thread created suspended runs after its last resume; a suspension does not cut
// the library's sleep short; the routine's result is the thread's exit code.
TEST(PlatformThread, SuspendResumeSleepAndExitCode) {
    static std::atomic<int> runs{0};
    static std::atomic<long long> slept{0};
    Thread* thread = createThread(
        [](void* argument) {
            ++runs;
            const auto start = std::chrono::steady_clock::now();
            sleepMilliseconds(400);
            slept = util_test::millisecondsSince(start);
            return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(argument));
        },
        reinterpret_cast<void*>(42), true, nullptr);
    ASSERT_NE(nullptr, thread);
    unsigned long code = 0;
    EXPECT_FALSE(threadExitCode(thread, &code));
    EXPECT_TRUE(setThreadPriority(thread, 0));
    EXPECT_EQ(1u, suspendThread(thread));  // counts like Win32: two resumes needed now
    EXPECT_EQ(2u, resumeThread(thread));
    EXPECT_FALSE(waitForThread(thread, 50));
    EXPECT_EQ(0, runs.load());
    EXPECT_EQ(1u, resumeThread(thread));
    ASSERT_TRUE(util_test::eventually([] { return runs.load() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(0u, suspendThread(thread));  // in its sleep
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(1u, resumeThread(thread));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(waitForThread(thread, 10000));
    EXPECT_LT(util_test::millisecondsSince(start), 5000);  // woken by the end, not by the time-out
    EXPECT_GE(slept.load(), 395);
    ASSERT_TRUE(threadExitCode(thread, &code));
    EXPECT_EQ(42u, code);
    EXPECT_EQ(0u, resumeThread(thread));  // an ended thread: nothing to resume
    EXPECT_EQ(kThreadCallFailed, suspendThread(thread));
    closeThread(thread);
    closeThread(nullptr);
}

TEST(PlatformFiles, PathRulesAndExecutablePath) {
    const bool windows = util_test::isWindows();
    EXPECT_EQ(windows ? '\\' : '/', kPathSeparator);
    struct Case {
        const char* name;
        bool windowsAbsolute, posixAbsolute;
    };
    const Case cases[] = {{"D:\\x.log", true, false}, {"/var/x.log", false, true}, {"x.log", false, false},
                          {"D:x.log", false, false},  {"", false, false},          {"\\\\server\\x", false, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(windows ? c.windowsAbsolute : c.posixAbsolute, isAbsoluteLogName(c.name)) << c.name;
    }
    char path[4096];
    std::size_t nameOffset = 0;
    ASSERT_TRUE(executableFullPath(path, sizeof path, &nameOffset));
    const std::string self = util_test::selfPath();
    EXPECT_EQ(self.substr(self.find_last_of("/\\") + 1), std::string(path + nameOffset));
    EXPECT_EQ(kPathSeparator, path[nameOffset - 1]);
    char small[4] = "xyz";
    EXPECT_FALSE(executableFullPath(small, sizeof small, &nameOffset));  // never a cut path
    EXPECT_EQ('\0', small[0]);
}

// Two descriptors on one file both land at its end; the size follows; on Windows a
// "\n" is stored as CR LF, as fopen's text append does.
TEST(PlatformFiles, AppendFromTwoDescriptorsAndSize) {
    util_test::TempDir directory;
    const std::string path = directory.file("append.txt");
    const int first = openForAppend(path.c_str());
    const int second = openForAppend(path.c_str());
    ASSERT_TRUE(first >= 0 && second >= 0);
    ASSERT_TRUE(writeToFile(first, "one\n", 4));
    ASSERT_TRUE(writeToFile(second, "two\n", 4));
    ASSERT_TRUE(writeToFile(first, "3", 1));
    const std::string newline = util_test::isWindows() ? "\r\n" : "\n";
    const std::string expected = "one" + newline + "two" + newline + "3";
    EXPECT_EQ(static_cast<long long>(expected.size()), openFileSize(first));
    closeFile(first);
    closeFile(second);
    EXPECT_EQ(expected, util_test::readFile(path));
    EXPECT_EQ(-1, openForAppend(directory.file("missing/x.txt").c_str()));
    makeDirectory(directory.file("made").c_str());
    const int inside = openForAppend(directory.file("made/x.txt").c_str());
    EXPECT_GE(inside, 0);
    closeFile(inside);
}

TEST(PlatformClock, LocalTimeAgreesWithTheCLibrary) {
    const std::time_t before = std::time(nullptr);
    const LocalTime now = localTimeNow();
    const std::time_t after = std::time(nullptr);
    auto agrees = [&now](const std::tm& t) {
        return now.year == t.tm_year + 1900 && now.month == t.tm_mon + 1 && now.day == t.tm_mday &&
               now.hour == t.tm_hour && now.minute == t.tm_min;
    };
    EXPECT_TRUE(agrees(*std::localtime(&before)) || agrees(*std::localtime(&after)));
    EXPECT_LE(now.millisecond, 999);
}

TEST(PlatformInterlocked, ReturnValuesAndExactCountAcrossThreads) {
    long value = 5;
    EXPECT_EQ(6, interlockedIncrement(&value));
    EXPECT_EQ(5, interlockedDecrement(&value));
    EXPECT_EQ(5, interlockedExchange(&value, 9));            // returns the old value
    EXPECT_EQ(9, interlockedCompareExchange(&value, 1, 8));  // no match: unchanged
    EXPECT_EQ(9, interlockedCompareExchange(&value, 1, 9));
    EXPECT_EQ(1, interlockedRead(&value));
    int a = 0, b = 0;
    void* pointer = &a;
    EXPECT_EQ(&a, interlockedComparePointer(&pointer, &b, &b));  // no match
    EXPECT_EQ(&a, interlockedComparePointer(&pointer, &b, &a));
    EXPECT_EQ(&b, atomicLoadPointer(&pointer));
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&counter] {
            for (int i = 0; i < 20000; ++i) interlockedIncrement(&counter);
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(80000, interlockedRead(&counter));
}

TEST(PlatformProcess, IdsOfThisProcessAndThread) {
    EXPECT_EQ(util_test::processId(), currentProcessId());
    EXPECT_EQ(util_test::threadId(), currentThreadId());
    unsigned long other = 0;
    std::thread([&] { other = currentThreadId(); }).join();
    EXPECT_NE(currentThreadId(), other);
}

#if defined(UTIL_DCHECK_ON)
// The check's own message, or a sanitizer's, which reports the misuse first.
const char kStopped[] = "check failed|AddressSanitizer|ThreadSanitizer";

// The Debug and sanitizer builds stop on a broken REQUIRES line of lock.h.
TEST(PlatformLockDeathTest, LeavingALockNotHeldOrDeletingAHeldOneStops) {
    Lock* lock = createCriticalSection();
    EXPECT_DEATH(leaveCriticalSection(lock), kStopped);
    std::thread([lock] { EXPECT_DEATH(leaveCriticalSection(lock), kStopped); }).join();
    EXPECT_DEATH(enterCriticalSection(nullptr), kStopped);
    enterCriticalSection(lock);
    if (!util_test::isWindows()) {  // checked on POSIX only
        EXPECT_DEATH(deleteCriticalSection(lock), kStopped);
    }
    leaveCriticalSection(lock);
    deleteCriticalSection(lock);
}

// Handles travel through the exported classes' void* fields, where the compiler cannot
// tell their kinds apart: a handle of the wrong kind, or one already freed, stops at its next use.
TEST(PlatformHandleDeathTest, WrongKindOrFreedHandleStops) {
    Event* event = createEvent();
    Lock* lock = createCriticalSection();
    EXPECT_DEATH(enterCriticalSection(lockFromField(eventToField(event))), kStopped);
    EXPECT_DEATH(setEvent(eventFromField(lockToField(lock))), kStopped);
    EXPECT_DEATH(waitForThread(threadFromField(eventToField(event)), 0), kStopped);
    deleteCriticalSection(lock);
    EXPECT_DEATH(deleteCriticalSection(lock), kStopped);
    closeEvent(event);
    EXPECT_DEATH(closeEvent(event), kStopped);
    Thread* thread = createThread([](void*) -> unsigned long { return 0; }, nullptr, false, nullptr);
    closeThread(thread);
    EXPECT_DEATH(closeThread(thread), kStopped);
}
#endif
