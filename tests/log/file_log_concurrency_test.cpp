// Records from several threads stay whole, and none is lost across a rotation;
// long records from several processes stay whole too.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>
#include <vector>

#include "log_test_support.h"
#include "system/process_launch.h"

namespace util_test {
namespace {

// Longer than a page, the size up to which a pipe or a small buffer keeps a
// write whole anyway.
const std::size_t kLongText = 6000;
const char kWriterRequest[] = "UTIL_TEST_LOG_WRITER";

// The writer process: this binary started again with UTIL_TEST_LOG_WRITER set
// to "<records> <log path>" writes its records before any test runs, and exits.
int runWriterWhenAsked() {
    const char* request = std::getenv(kWriterRequest);
    if (request == nullptr) {
        return 0;
    }
    int records = 0;
    int offset = 0;
    if (std::sscanf(request, "%d %n", &records, &offset) != 1 || FileLog::SetLogFilePath(request + offset) != 1) {
        std::exit(2);
    }
    FileLog::SetMaxLogFileSize(0x7FFFFFFF);  // rotation between processes is not coordinated
    FileLog log("proc");
    const std::string text(kLongText, 'x');
    for (int n = 0; n < records; ++n) {
        log.LogMsg(1, "proc", "p.cpp", 2, "n=%d %s\n", n, text.c_str());
    }
    std::exit(0);
}
const int writerRan = runWriterWhenAsked();

// Counts the records of each process in text, in which every line must be one
// whole record "<timestamp> proc p.cpp:2 pid P tid T n=N <text>" with N new for P.
// (Checked by hand: a regular expression over 6,000 characters overflows the stack.)
void countWholeRecords(const std::string& text, std::map<int, std::set<int>>* seen) {
    std::istringstream lines(text);
    int torn = 0;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        int pid = 0, tid = 0, n = 0, offset = 0;  // after the timestamp "yyyy/mm/dd hh:mm:ss.mmm "
        const bool parsed = line.size() > 24 && line[4] == '/' && line[23] == ' ' &&
                            std::sscanf(&line[24], "proc p.cpp:2 pid %d tid %d n=%d %n", &pid, &tid, &n, &offset) == 3 &&
                            line.compare(24 + offset, std::string::npos, std::string(kLongText, 'x')) == 0;
        torn += !parsed || !(*seen)[pid].insert(n).second;
    }
    EXPECT_EQ(0, torn) << "torn, mixed or repeated records";
}

using FileLogConcurrency = LogFileTest;

TEST_F(FileLogConcurrency, FourThreadsWriteWholeRecordsAndLoseNoneAcrossARotation) {
    const int kThreads = 4;
    const int kRecords = isWindows() ? 150 : 2000;
    const long recordSize = 120;  // about one record's size
    FileLog::log_size = recordSize * kThreads * kRecords * 2 / 3;  // one rotation, never two

    std::vector<std::thread> writers;
    for (int w = 0; w < kThreads; ++w) {
        writers.emplace_back([w, kRecords] {
            FileLog log("mod");
            for (int n = 0; n < kRecords; ++n) {
                log.LogMsg(1, "mod", "f.cpp", 1, "w=%d n=%d %s\n", w, n, std::string(40, '.').c_str());
            }
        });
    }
    for (auto& writer : writers) writer.join();
    ASSERT_TRUE(fileExists(backupPath)) << "expected one rotation";
    const std::string record = R"(T mod f\.cpp:1 pid \d+ tid \d+ w=(\d+) n=(\d+) [.]{40})";
    std::set<std::pair<int, int>> seen;
    collectRecords(readFile(backupPath), record, &seen);
    collectRecords(readFile(path), record, &seen);
    EXPECT_EQ(static_cast<std::size_t>(kThreads * kRecords), seen.size());
}

// Each record is one write to a file opened for appending, so records longer
// than a page from four processes never tear into each other.
TEST_F(FileLogConcurrency, FourProcessesAppendLongRecordsWhole) {
    const int kProcesses = 4;
    const int kRecords = 2000;
    ASSERT_EQ(0, writerRan);
    const std::string request = std::to_string(kRecords) + " " + path;
    setEnvironment(kWriterRequest, request.c_str());
    const std::string command = "\"" + selfPath() + "\"";
    std::vector<std::thread> starters;
    std::vector<int> started(kProcesses, 0);
    for (int p = 0; p < kProcesses; ++p) {
        starters.emplace_back([&, p] { started[p] = Exec(command.c_str(), nullptr, 0, 1); });
    }
    for (auto& starter : starters) starter.join();
    setEnvironment(kWriterRequest, nullptr);
    EXPECT_EQ(std::vector<int>(kProcesses, 1), started);
    std::map<int, std::set<int>> seen;
    countWholeRecords(readFile(path), &seen);
    ASSERT_EQ(static_cast<std::size_t>(kProcesses), seen.size());
    for (const auto& process : seen) {
        EXPECT_EQ(static_cast<std::size_t>(kRecords), process.second.size()) << "pid " << process.first;
    }
}

}  // namespace
}  // namespace util_test
