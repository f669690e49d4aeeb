// The settings right after load and the default log location. Runs in a
// process of its own, before anything changes the settings.
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
    const fs::path logs = executable.parent_path() / "logs";
    const fs::path directory = logs / executable.stem();  // name without extension
    fs::remove_all(logs);
    char peeked[1024];
    ASSERT_EQ(1, util::peekLogFilePath(peeked, sizeof peeked));  // creates nothing
    EXPECT_EQ((directory / "default.log").string(), peeked);
    EXPECT_FALSE(fs::exists(logs));
    EXPECT_STREQ("", FileLog::log_path);
    EXPECT_EQ(0, util::peekLogFilePath(peeked, 4));
    EXPECT_STREQ("", peeked);
    const std::string path = FileLog::GetLogFilePath();
    EXPECT_EQ((directory / "default.log").string(), path);
    EXPECT_EQ(path + ".bak", FileLog::log_bak_path);

    // A record goes there; the directory is computed once, not from the working directory.
    EXPECT_GT(FileLog("defaults").LogMsg(1, "first\n"), 0);
    EXPECT_TRUE(fs::exists(path));
    fs::current_path(fs::temp_directory_path());
    FileLog::SetLogFilePath("other.log");
    ASSERT_EQ(1, util::peekLogFilePath(peeked, sizeof peeked));
    EXPECT_EQ((directory / "other.log").string(), peeked);
    fs::remove_all(logs);
}
