// Two forked processes appending to one log path: every record arrives whole,
// none is lost, and each carries its own process's ids although the parent had
// filled the cached ids before the fork.
#include <sys/wait.h>
#include <unistd.h>

#include "log_test_support.h"

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

}  // namespace
}  // namespace util_test
