// The file logger tests' fixture and the writer and reader of numbered records.
#ifndef UTIL_TESTS_LOG_LOG_TEST_SUPPORT_H
#define UTIL_TESTS_LOG_LOG_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "log/file_log.h"
#include "support/test_support.h"

namespace util_test {

/// Every timestamp becomes "T " and CR LF becomes "\n".
inline std::string normalizeLog(const std::string& text) {
    static const std::regex timestamp(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\.\d{3} )");
    return std::regex_replace(std::regex_replace(text, std::regex("\r\n"), "\n"), timestamp, "T ");
}

/// "pid <this process> tid <this thread> ".
inline std::string idsPiece() {
    return "pid " + std::to_string(processId()) + " tid " + std::to_string(threadId()) + " ";
}

/// Logs the records "proc p.cpp:2 pid P tid T n=<0..count-1> <body>".
inline void writeRecords(int count, const std::string& body) {
    FileLog log("proc");
    for (int n = 0; n < count; ++n) log.LogMsg(1, "proc", "p.cpp", 2, "n=%d %s\n", n, body.c_str());
}

/// The numbers n of writeRecords' records per (pid, tid).
using Records = std::map<std::pair<int, int>, std::set<int>>;

/// The records of text; torn, mixed or repeated records fail (parsed by hand: a regex overflows the stack).
inline Records collectRecords(const std::string& text, const std::string& body) {
    Records seen;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // The first record of a new file follows the notice on the same line.
        const std::size_t start = line.find(" proc p.cpp:2 pid ");
        if (start == std::string::npos && (line.empty() || line.find(" log file ") != std::string::npos)) continue;
        int pid = 0, tid = 0, n = 0, offset = 0;
        const bool whole =
            start != std::string::npos &&
            std::sscanf(line.c_str() + start, " proc p.cpp:2 pid %d tid %d n=%d %n", &pid, &tid, &n, &offset) == 3 &&
            line.compare(start + offset, std::string::npos, body) == 0;
        EXPECT_TRUE(whole && seen[std::make_pair(pid, tid)].insert(n).second)
            << "torn, mixed or repeated: " << line.substr(0, 200);
    }
    return seen;
}

/// Each of `writers` writers has every one of its `records` records.
inline void expectEveryRecord(const Records& seen, std::size_t writers, std::size_t records) {
    EXPECT_EQ(writers, seen.size());
    for (const auto& writer : seen) EXPECT_EQ(records, writer.second.size()) << "pid " << writer.first.first;
}

class FileLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        TearDown();
        ASSERT_EQ(1, FileLog::SetLogFilePath(path.c_str()));
    }
    void TearDown() override {  // back to the settings at load
        FileLog::log_flag = 1;
        FileLog::log_mask = LOGMASK_ALL;
        FileLog::log_size = 0xA00000;
    }

    std::string logText() const { return normalizeLog(readFile(path)); }

    TempDir dir;
    const std::string path = dir.file("test.log");
    const std::string backupPath = path + ".bak";
};

}  // namespace util_test

#endif
