// Exec and StartInternetExplorer: their debugger lines and real starts of this
// test binary as the child (see system_test_main.cpp).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
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

bool waitForFile(const std::string& path) {
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (util_test::readFile(path) == "child ran") {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

TEST(Exec, MissingProgramFailsWithTheSystemCode) {
    DebugCapture capture;
    EXPECT_EQ(Exec("no_such_program_4711 --flag", nullptr, 0, 1), 0);
    // ERROR_FILE_NOT_FOUND on Windows and ENOENT on POSIX are both 2.
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"CreateProcess(no_such_program_4711 --flag) fail, error 2"});
}

TEST(Exec, WaitsForTheChildInTheGivenDirectory) {
    util_test::TempDir directory;
    DebugCapture capture;
    EXPECT_EQ(Exec(childCommand("waited.txt", 300).c_str(), directory.path().c_str(), 0, 1), 1);
    EXPECT_EQ(util_test::readFile(directory.file("waited.txt")), "child ran");  // there already: Exec waited
    EXPECT_TRUE(capture.lines().empty());
}

TEST(Exec, WithoutWaitReturnsAtOnceAndStartsInTheCurrentDirectory) {
    util_test::TempDir current;
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(current.path());
    const int started = Exec(childCommand("later.txt", 0).c_str(), nullptr, 1, 0);
    std::filesystem::current_path(saved);
    EXPECT_EQ(started, 1);
    EXPECT_TRUE(waitForFile(current.file("later.txt")));
}

TEST(Exec, MissingDirectoryFails) {
    util_test::TempDir directory;
    DebugCapture capture;
    const std::string command = childCommand("x.txt", 0);
    EXPECT_EQ(Exec(command.c_str(), directory.file("missing").c_str(), 0, 1), 0);
    const std::vector<std::string> lines = capture.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("CreateProcess(" + command + ") fail, error ", 0), 0u) << lines[0];
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
    const int result = std::stoi(lines[0].substr(prefix.size()));
    EXPECT_LE(result, 32);
    EXPECT_EQ(lines[0].back(), '\n');
}

}  // namespace
