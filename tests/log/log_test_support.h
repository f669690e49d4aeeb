// Shared set-up of the file logger's tests: settings reset around each test, a
// log file in a fresh directory, the file's text made comparable, and a reader
// of numbered records for the concurrency tests.
#ifndef UTIL_TESTS_LOG_LOG_TEST_SUPPORT_H
#define UTIL_TESTS_LOG_LOG_TEST_SUPPORT_H

#include <gtest/gtest.h>

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

/// Adds (writer, sequence) of each line of text to seen. `record` matches one
/// whole record with those two numbers as groups 1 and 2; any other line but a
/// rotation notice fails the test as torn or mixed, and so does a repeat.
inline void collectRecords(const std::string& text, const std::string& record, std::set<std::pair<int, int>>* seen) {
    const std::regex whole("(?:T create new log file .*?)?" + record);  // the notice has no line end
    std::istringstream lines(normalizeLog(text));
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line.find("current log file exceed") != std::string::npos ||
            line.find("backup log file") != std::string::npos) {
            continue;
        }
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, whole)) << "torn or mixed record: " << line;
        EXPECT_TRUE(seen->insert({std::stoi(match[1]), std::stoi(match[2])}).second) << line;
    }
}

class LogFileTest : public ::testing::Test {
protected:
    static void resetSettings() {
        FileLog::log_flag = 1;
        FileLog::log_level = 2;
        FileLog::log_mask = LOGMASK_ALL;
        FileLog::log_size = 0xA00000;
    }
    void SetUp() override {
        resetSettings();
        ASSERT_EQ(1, FileLog::SetLogFilePath(path.c_str()));
    }
    void TearDown() override { resetSettings(); }

    std::string logText() const { return normalizeLog(readFile(path)); }
    std::string backupText() const { return normalizeLog(readFile(backupPath)); }

    TempDir dir;
    const std::string path = dir.file("test.log");
    const std::string backupPath = path + ".bak";
};

}  // namespace util_test

#endif
