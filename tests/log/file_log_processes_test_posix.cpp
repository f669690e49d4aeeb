// Two processes appending to one log path: every record arrives whole. The test
// binary re-runs itself as the writer ("--write-records PATH TAG COUNT").
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>

#include "log_test_support.h"

extern char** environ;

namespace util_test {
namespace {

const int kRecordsPerProcess = 2000;

int writeRecords(const char* path, int tag, int count) {
    FileLog::SetLogFilePath(path);
    FileLog log("proc");
    for (int n = 0; n < count; ++n) {
        log.LogMsg(1, "proc", "p.cpp", 2, "w=%d n=%d %s\n", tag, n, std::string(60, '#').c_str());
    }
    return 0;
}

pid_t startWriter(const std::string& path, const char* tag) {
    const std::string self = selfPath();
    const std::string count = std::to_string(kRecordsPerProcess);
    char* arguments[] = {const_cast<char*>(self.c_str()), const_cast<char*>("--write-records"),
                         const_cast<char*>(path.c_str()), const_cast<char*>(tag),
                         const_cast<char*>(count.c_str()), nullptr};
    pid_t child = 0;
    EXPECT_EQ(0, posix_spawn(&child, self.c_str(), nullptr, nullptr, arguments, environ));
    return child;
}

TEST(FileLogProcesses, TwoProcessesAppendWholeRecords) {
    TempDir dir;
    const std::string path = dir.file("shared.log");
    const pid_t first = startWriter(path, "1");
    const pid_t second = startWriter(path, "2");
    for (pid_t child : {first, second}) {
        int status = -1;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    static const std::regex record(R"(T proc p\.cpp:2 pid \d+ tid \d+ w=([12]) n=(\d+) #{60})");
    std::set<std::pair<int, int>> seen;
    std::istringstream lines(normalizeLog(readFile(path)));
    std::string line;
    while (std::getline(lines, line)) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, record)) << "torn record: " << line;
        seen.insert({std::stoi(match[1]), std::stoi(match[2])});
    }
    EXPECT_EQ(2u * kRecordsPerProcess, seen.size());
}

// The ids are cached; a forked child must print its own, not its parent's.
TEST(FileLogProcesses, ForkedChildRecordsItsOwnIds) {
    TempDir dir;
    const std::string path = dir.file("fork.log");
    FileLog::SetLogFilePath(path.c_str());
    FileLog log("fork");
    log.LogMsg(1, "fork", "f.cpp", 1, "parent\n");  // fills the parent's cache first
    const pid_t child = fork();
    if (child == 0) {
        log.LogMsg(1, "fork", "f.cpp", 1, "child\n");
        _exit(0);
    }
    int status = -1;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    const std::string expected = "T fork f.cpp:1 pid " + std::to_string(child) + " tid " + std::to_string(child) +
                                 " child\n";
    EXPECT_NE(std::string::npos, normalizeLog(readFile(path)).find(expected)) << readFile(path);
}

}  // namespace
}  // namespace util_test

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--write-records") == 0) {
        return util_test::writeRecords(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
