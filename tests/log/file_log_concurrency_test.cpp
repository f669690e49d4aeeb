// Records from several threads (and, natively, several processes) stay whole,
// and none is lost across a rotation.
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "log_test_support.h"

namespace util_test {
namespace {

// Reads "w=<writer> n=<sequence>" records from text into seen; fails on any
// line that is not one whole record.
void collectRecords(const std::string& text, std::set<std::pair<int, int>>* seen) {
    static const std::regex record(R"(T mod f\.cpp:1 pid \d+ tid \d+ w=(\d+) n=(\d+) [.]{40})");
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("T create new log file ", 0) == 0) {
            line = line.substr(line.find("T mod"));  // the notice has no line end
        }
        if (line.empty() || line.find("current log file exceed") != std::string::npos ||
            line.find("backup log file") != std::string::npos) {
            continue;
        }
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, record)) << "torn or mixed record: " << line;
        EXPECT_TRUE(seen->insert({std::stoi(match[1]), std::stoi(match[2])}).second) << line;
    }
}

using FileLogConcurrency = LogFileTest;

TEST_F(FileLogConcurrency, FourThreadsWriteWholeRecordsAndLoseNoneAcrossARotation) {
    const int kThreads = 4;
    const int kRecords = isWindows() ? 150 : 2000;
    const std::string padding(40, '.');
    const long recordSize = 120;  // about one record's size
    FileLog::log_size = recordSize * kThreads * kRecords * 2 / 3;  // one rotation, never two

    std::vector<std::thread> writers;
    for (int w = 0; w < kThreads; ++w) {
        writers.emplace_back([w, kRecords, &padding] {
            FileLog log("mod");
            for (int n = 0; n < kRecords; ++n) {
                log.LogMsg(1, "mod", "f.cpp", 1, "w=%d n=%d %s\n", w, n, padding.c_str());
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    ASSERT_TRUE(fileExists(backupPath)) << "expected one rotation";
    std::set<std::pair<int, int>> seen;
    collectRecords(backupText(), &seen);
    collectRecords(logText(), &seen);
    EXPECT_EQ(static_cast<std::size_t>(kThreads * kRecords), seen.size());
}

}  // namespace
}  // namespace util_test
