// Forked processes and the log: each child's records carry its own ids although
// the parent had filled the cached ids before the fork; children forked while
// other threads log can log at once; a log file opened as descriptor 0.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "log_test_support.h"
#include "support/child_posix.h"

namespace util_test {
namespace {

using FileLogProcesses = LogFileTest;

TEST_F(FileLogProcesses, ForkedWritersAppendWholeRecordsWithTheirOwnIds) {
    ASSERT_EQ(1, FileLog::SetLogFilePath(dir.file("parent.log").c_str()));
    writeRecords(1, "parent");  // fills the parent's id cache
    ASSERT_EQ(1, FileLog::SetLogFilePath(path.c_str()));
    const std::string body(60, '#');
    std::set<std::pair<int, int>> children;
    for (int writer = 0; writer < 2; ++writer) {
        const pid_t child = fork();
        if (child == 0) {
            writeRecords(2000, body);
            _exit(0);
        }
        children.insert({child, child});  // a forked child's only thread has its pid as tid
    }
    for (int writer = 0; writer < 2; ++writer) {
        int status = -1;
        EXPECT_TRUE(wait(&status) > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Records seen;
    collectRecords(readFile(path), body, &seen);
    expectEveryRecord(seen, 2, 2000);
    for (const auto& writer : seen) EXPECT_EQ(1u, children.count(writer.first)) << "pid " << writer.first.first;
}

// With standard input closed, the log file opens as descriptor 0: still a
// file to write, and closed after each record.
TEST_F(FileLogProcesses, LogFileOnDescriptorZero) {
    EXPECT_EQ(0, runInChild([] {
        close(0);
        if (FileLog("zero").LogMsg(1, "zero", "z.cpp", 1, "on zero\n") <= 0) return 1;
        return open("/dev/null", O_RDONLY) == 0 ? 0 : 2;
    }));
    EXPECT_TRUE(std::regex_match(logText(), std::regex(R"(T zero z\.cpp:1 pid \d+ tid \d+ on zero\n)"))) << logText();
}

// A child forked while other threads hold the log lock or the clock lock (taken
// for the timestamps of standard-error lines) must find both free.
TEST_F(FileLogProcesses, ChildrenForkedWhileThreadsLogLogAtOnce) {
    const int kChildren = 50;
    FileLog::log_size = 0x7FFFFFFF;  // no rotation: every child's record stays in one file
    const int savedError = dup(2), nowhere = open("/dev/null", O_WRONLY);
    dup2(nowhere, 2);  // the standard-error lines go nowhere
    close(nowhere);
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;  // one writes records, four write to standard error
    for (int n = 0; n < 5; ++n) {
        threads.emplace_back([&stop, n] {
            FileLog log("busy");
            const std::string text(3000, 'b');
            while (!stop.load()) {
                if (n == 0) log.LogMsg(1, "busy", "b.cpp", 1, "%s\n", text.c_str());
                else log.TraceMsgEx("x");
            }
        });
    }
    int failed = 0;
    for (int n = 0; n < kChildren && failed < 3; ++n) {
        failed += runInChild([n] { return FileLog("child").LogMsg(1, "child", "c.cpp", 1, "child %d\n", n) > 0 ? 0 : 1; },
                             std::chrono::seconds(2)) != 0;
    }
    stop = true;
    for (auto& thread : threads) thread.join();
    dup2(savedError, 2);
    close(savedError);
    EXPECT_EQ(0, failed) << "children that hung or could not log";
    const std::string text = readFile(path);
    int records = 0;
    for (std::size_t at = 0; (at = text.find(" child c.cpp:1 pid ", at)) != std::string::npos; ++at) ++records;
    EXPECT_EQ(kChildren, records);
}

}  // namespace
}  // namespace util_test
