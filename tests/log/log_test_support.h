// Shared set-up of the file logger's tests: settings reset around each test, a
// log file in a fresh directory, and the file's text with the variable pieces
// (timestamps, line ends) made comparable.
#ifndef UTIL_TESTS_LOG_LOG_TEST_SUPPORT_H
#define UTIL_TESTS_LOG_LOG_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "log/file_log.h"
#include "support/test_support.h"

namespace util_test {

/// Every timestamp piece becomes "T " and, on Windows, CR LF becomes "\n".
inline std::string normalizeLog(std::string text) {
    static const std::regex timestamp(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\.\d{3} )");
    static const std::regex lineEnd("\r\n");
    text = std::regex_replace(text, lineEnd, "\n");
    return std::regex_replace(text, timestamp, "T ");
}

/// "pid <this process> tid <this thread> ".
inline std::string idsPiece() {
    return "pid " + std::to_string(processId()) + " tid " + std::to_string(threadId()) + " ";
}

class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        FileLog::log_flag = 1;
        FileLog::log_level = 2;
        FileLog::log_mask = LOGMASK_ALL;
        FileLog::log_size = 0xA00000;
        path = dir.file("test.log");
        backupPath = path + ".bak";
        ASSERT_EQ(1, FileLog::SetLogFilePath(path.c_str()));
    }
    void TearDown() override {
        FileLog::log_flag = 1;
        FileLog::log_level = 2;
        FileLog::log_mask = LOGMASK_ALL;
        FileLog::log_size = 0xA00000;
    }

    std::string logText() const { return normalizeLog(readFile(path)); }
    std::string backupText() const { return normalizeLog(readFile(backupPath)); }

    TempDir dir;
    std::string path;
    std::string backupPath;
};

}  // namespace util_test

#endif
