// Two forked processes appending to one log path: every record arrives whole,
// none is lost, and each carries its own process's ids although the parent had
// filled the cached ids before the fork. Children forked while another thread
// logs can log at once.
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

TEST(FileLogProcesses, ForkedWritersAppendWholeRecordsWithTheirOwnIds) {
    const int kRecords = 2000;
    TempDir dir;
    const std::string path = dir.file("shared.log");
    FileLog log("proc");
    ASSERT_EQ(1, FileLog::SetLogFilePath(dir.file("parent.log").c_str()));
    log.LogMsg(1, "proc", "p.cpp", 2, "parent\n");  // fills the parent's id cache
    ASSERT_EQ(1, FileLog::SetLogFilePath(path.c_str()));

    std::set<std::pair<int, int>> expected;
    for (int writer = 0; writer < 2; ++writer) {
        const pid_t child = fork();
        if (child == 0) {
            for (int n = 0; n < kRecords; ++n) {
                log.LogMsg(1, "proc", "p.cpp", 2, "n=%d %s\n", n, std::string(60, '#').c_str());
            }
            _exit(0);
        }
        for (int n = 0; n < kRecords; ++n) {
            expected.insert({static_cast<int>(child), n});
        }
    }
    for (int writer = 0; writer < 2; ++writer) {
        int status = -1;
        ASSERT_GT(wait(&status), 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::set<std::pair<int, int>> seen;  // (pid, n); a forked child's only thread has its pid as tid
    collectRecords(readFile(path), R"(T proc p\.cpp:2 pid (\d+) tid \1 n=(\d+) #{60})", &seen);
    EXPECT_EQ(expected, seen);
}

// With standard input closed, the log file opens as descriptor 0: still a
// file to write, and closed after each record.
TEST(FileLogProcesses, LogFileOnDescriptorZero) {
    TempDir dir;
    const std::string path = dir.file("zero.log");
    ASSERT_EQ(1, FileLog::SetLogFilePath(path.c_str()));
    EXPECT_EQ(0, runInChild([] {
        close(0);
        if (FileLog("zero").LogMsg(1, "zero", "z.cpp", 1, "on zero\n") <= 0) return 1;
        const int probe = open("/dev/null", O_RDONLY);
        return probe == 0 ? 0 : 2;
    }));
    const std::string text = normalizeLog(readFile(path));
    EXPECT_TRUE(text.rfind("T zero z.cpp:1 pid ", 0) == 0 && text.find(" on zero\n") + 9 == text.size()) << text;
}

// A child forked while other threads hold the log lock or the clock lock (for
// timestamps on standard error) must find both free.
TEST(FileLogProcesses, ChildrenForkedWhileAThreadLogsLogAtOnce) {
    const int kChildren = 50;
    TempDir dir;
    const std::string path = dir.file("fork.log");
    ASSERT_EQ(1, FileLog::SetLogFilePath(path.c_str()));
    const long savedSize = FileLog::log_size;
    FileLog::log_size = 0x7FFFFFFF;  // no rotation: every child record stays in one file
    // One busy thread writes records, four others lines to standard error
    // (sent nowhere here), whose timestamps are read outside the log lock.
    const int savedError = dup(2);
    const int nowhere = open("/dev/null", O_WRONLY);
    dup2(nowhere, 2);
    std::atomic<bool> stop{false};
    std::thread logger([&stop] {
        FileLog log("busy");
        const std::string text(3000, 'b');
        while (!stop.load()) {
            log.LogMsg(1, "busy", "b.cpp", 1, "%s\n", text.c_str());
        }
    });
    std::vector<std::thread> echoes;
    for (int n = 0; n < 4; ++n) {
        echoes.emplace_back([&stop] {
            FileLog log("echo");
            while (!stop.load()) {
                log.TraceMsgEx("x");
            }
        });
    }
    int failed = 0;
    for (int n = 0; n < kChildren && failed < 3; ++n) {
        failed += runInChild([n] { return FileLog("child").LogMsg(1, "child", "c.cpp", 1, "child %d\n", n) > 0 ? 0 : 1; },
                             std::chrono::seconds(2)) != 0;
    }
    stop = true;
    logger.join();
    for (auto& echo : echoes) echo.join();
    dup2(savedError, 2);
    close(savedError);
    close(nowhere);
    FileLog::log_size = savedSize;
    EXPECT_EQ(0, failed) << "children that hung or could not log";
    const std::string text = readFile(path);
    int records = 0;
    for (std::size_t at = 0; (at = text.find(" child c.cpp:1 pid ", at)) != std::string::npos; ++at) ++records;
    EXPECT_EQ(kChildren, records);
}

}  // namespace
}  // namespace util_test
