// Contracts of the platform layer's files, clock, interlocked and process
// primitives, on each platform (natively and under Wine).
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/interlocked.h"
#include "platform/process.h"
#include "support/test_support.h"

using namespace util::platform;

TEST(PlatformFiles, PathRulesOfThePlatform) {
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
}

TEST(PlatformFiles, ExecutablePathAndItsNameOrTooSmall) {
    char path[4096];
    std::size_t nameOffset = 0;
    ASSERT_TRUE(executableFullPath(path, sizeof path, &nameOffset));
    const std::string self = util_test::selfPath();
    const std::string selfName = self.substr(self.find_last_of("/\\") + 1);
    EXPECT_EQ(selfName, std::string(path + nameOffset));
    EXPECT_EQ(kPathSeparator, path[nameOffset - 1]);
    char small[4] = "xyz";
    EXPECT_FALSE(executableFullPath(small, sizeof small, &nameOffset));
    EXPECT_EQ('\0', small[0]);
}

// Two descriptors on one file both land at its end; the size follows; on
// Windows a "\n" is stored as CR LF, as fopen's text append does.
TEST(PlatformFiles, AppendFromTwoDescriptorsAndSize) {
    util_test::TempDir directory;
    const std::string path = directory.file("append.txt");
    const int first = openForAppend(path.c_str());
    const int second = openForAppend(path.c_str());
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
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
    makeDirectory(directory.file("made").c_str());  // exists: ignored
    const int inside = openForAppend(directory.file("made/x.txt").c_str());
    EXPECT_GE(inside, 0);
    closeFile(inside);
}

TEST(PlatformClock, LocalTimeAgreesWithTheCLibrary) {
    const std::time_t before = std::time(nullptr);
    const LocalTime now = localTimeNow();
    const std::time_t after = std::time(nullptr);
    std::tm low = *std::localtime(&before);
    std::tm high = *std::localtime(&after);
    EXPECT_TRUE(now.year == low.tm_year + 1900 || now.year == high.tm_year + 1900);
    EXPECT_TRUE(now.month == low.tm_mon + 1 || now.month == high.tm_mon + 1);
    EXPECT_TRUE(now.day == low.tm_mday || now.day == high.tm_mday);
    EXPECT_TRUE(now.minute == low.tm_min || now.minute == high.tm_min);
    EXPECT_GE(now.millisecond, 0);
    EXPECT_LE(now.millisecond, 999);
}

TEST(PlatformInterlocked, ReturnValuesAndExactCountAcrossThreads) {
    long value = 5;
    EXPECT_EQ(6, interlockedIncrement(&value));
    EXPECT_EQ(5, interlockedDecrement(&value));
    EXPECT_EQ(5, interlockedExchange(&value, 9));            // returns the old value
    EXPECT_EQ(9, interlockedCompareExchange(&value, 1, 8));  // no match: unchanged
    EXPECT_EQ(9, interlockedRead(&value));
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
            for (int i = 0; i < 20000; ++i) {
                interlockedIncrement(&counter);
                interlockedIncrement(&counter);
                interlockedDecrement(&counter);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(80000, interlockedRead(&counter));
}

TEST(PlatformProcess, IdsOfThisProcessAndThread) {
    EXPECT_EQ(util_test::processId(), currentProcessId());
    const unsigned long mine = currentThreadId();
    EXPECT_EQ(util_test::threadId(), mine);
    EXPECT_EQ(mine, currentThreadId());
    unsigned long other = 0, otherAgain = 0;
    std::thread([&] {
        other = currentThreadId();
        otherAgain = currentThreadId();
    }).join();
    EXPECT_NE(mine, other);
    EXPECT_EQ(other, otherAgain);
}
