// Exec and StartInternetExplorer: their failure lines and real starts of this
// test binary as the child (see system_test_main.cpp).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "log/debug_capture.h"
#include "support/test_support.h"
#include "system/process_launch.h"

namespace {

using util_test::DebugCapture;

// The command line that makes the child write "child ran" to path (relative to
// its working directory when not absolute), after sleeping delay milliseconds.
std::string childCommand(const std::string& path, int delay) {
    static const std::string self = std::filesystem::absolute(util_test::selfPath()).string();
    return "\"" + self + "\" --child-write \"" + path + "\" " + std::to_string(delay);
}

// A missing program fails with ERROR_FILE_NOT_FOUND / ENOENT, both 2; a missing
// directory with whatever the system reports.
TEST(Exec, FailuresWriteOneLine) {
    util_test::TempDir directory;
    DebugCapture capture;
    EXPECT_EQ(Exec("no_such_program_4711 --flag", nullptr, 0, 1), 0);
    const std::string command = childCommand("x.txt", 0);
    EXPECT_EQ(Exec(command.c_str(), directory.file("missing").c_str(), 0, 1), 0);
    const std::vector<std::string> lines = capture.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "CreateProcess(no_such_program_4711 --flag) fail, error 2");
    EXPECT_EQ(lines[1].rfind("CreateProcess(" + command + ") fail, error ", 0), 0u) << lines[1];
}

// With wait the file is there when Exec returns; without, Exec returns at once
// and the child starts in the current directory.
TEST(Exec, StartsTheChildInTheGivenOrCurrentDirectory) {
    util_test::TempDir directory, current;
    DebugCapture capture;
    EXPECT_EQ(Exec(childCommand("waited.txt", 300).c_str(), directory.path().c_str(), 0, 1), 1);
    EXPECT_EQ(util_test::readFile(directory.file("waited.txt")), "child ran");
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(current.path());
    EXPECT_EQ(Exec(childCommand("later.txt", 0).c_str(), nullptr, 1, 0), 1);
    std::filesystem::current_path(saved);
    EXPECT_TRUE(util_test::eventually([&] { return util_test::readFile(current.file("later.txt")) == "child ran"; }));
    EXPECT_TRUE(capture.lines().empty());
}

// Every argument reaches the program, not only the first 32.
TEST(Exec, PassesTheWholeCommandLine) {
    util_test::TempDir directory;
    static const std::string self = std::filesystem::absolute(util_test::selfPath()).string();
    std::string command = "\"" + self + "\" --child-count count.txt";
    for (int n = 1; n <= 40; ++n) {
        command += " a" + std::to_string(n);
    }
    EXPECT_EQ(Exec(command.c_str(), directory.path().c_str(), 0, 1), 1);
    EXPECT_EQ(util_test::readFile(directory.file("count.txt")), "40");
}

TEST(StartInternetExplorer, MissingPathFailsAndStillWritesItsLine) {
    util_test::TempDir directory;
    const std::string missing = directory.file("no_such_document.xyz");
    DebugCapture capture;
    EXPECT_EQ(StartInternetExplorer(missing.c_str()), 0);
    const std::vector<std::string> lines = capture.lines();
    ASSERT_EQ(lines.size(), 1u);
    const std::string prefix = "StartInternetExplorer: pUrl " + missing + ", return ";
    ASSERT_EQ(lines[0].rfind(prefix, 0), 0u) << lines[0];
    EXPECT_LE(std::stoi(lines[0].substr(prefix.size())), 32);
    EXPECT_EQ(lines[0].back(), '\n');
}

}  // namespace
