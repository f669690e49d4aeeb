// The settings and the default log location right after load: a process of its own, before anything changes them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "log/file_log.h"
#include "log/last_error.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

TEST(FileLogDefaults, SettingsAtLoadAndTheDefaultPathOfThisExecutable) {
    EXPECT_EQ(1, FileLog::log_flag);
    EXPECT_EQ(2, FileLog::GetLogLevel());
    EXPECT_EQ(10485760, FileLog::GetMaxLogFileSize());
    EXPECT_EQ(65535, FileLog::GetLogMask());
    // Start-up recorded the library's module handle, which the Winsock texts need.
    EXPECT_STREQ("Connection reset by peer", static_cast<char*>(WinsockLastError(10054)));

    const fs::path executable = fs::absolute(util_test::selfPath());
    const fs::path logs = executable.parent_path() / "logs", directory = logs / executable.stem();
    fs::remove_all(logs);
    char peeked[1024];
    EXPECT_EQ(0, util::peekLogFilePath(peeked, 4));
    ASSERT_EQ(1, util::peekLogFilePath(peeked, sizeof peeked));  // creates nothing
    EXPECT_FALSE(fs::exists(logs));
    const std::string path = FileLog::GetLogFilePath();
    EXPECT_EQ((directory / "default.log").string(), path);
    EXPECT_EQ(path, peeked);

    // A record goes there; other relative names too, whatever the working directory.
    EXPECT_GT(FileLog("defaults").LogMsg(1, "first\n"), 0);
    EXPECT_TRUE(fs::exists(path));
    fs::current_path(fs::temp_directory_path());
    ASSERT_EQ(1, FileLog::SetLogFilePath("C:x.log"));  // drive-relative on Windows
    EXPECT_EQ(path.substr(0, path.size() - 11) + "C:x.log", FileLog::log_path);
    fs::remove_all(logs);
}
