// The POSIX platform sink: the system log by default, standard error when
// UTIL_DEBUG_OUTPUT=stderr. The child is this test binary.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

// Runs the child with one extra environment entry (or none) and returns its standard error.
std::string childStandardError(const char* environmentEntry) {
    util_test::TempDir directory;
    const std::string errorPath = directory.file("stderr.txt");
    std::vector<char*> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::string(*entry).rfind("UTIL_DEBUG_OUTPUT=", 0) != 0) {
            environment.push_back(*entry);
        }
    }
    if (environmentEntry != nullptr) {
        environment.push_back(const_cast<char*>(environmentEntry));
    }
    environment.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const std::string self = util_test::selfPath();
    char flag[] = "--print-debug-line";
    char* arguments[] = {const_cast<char*>(self.c_str()), flag, nullptr};
    pid_t child = 0;
    const int error = posix_spawn(&child, self.c_str(), &actions, nullptr, arguments, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(error, 0);
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return util_test::readFile(errorPath);
}

TEST(DebugSinkPosix, StandardErrorOnlyWhenAskedFor) {
    EXPECT_EQ(childStandardError("UTIL_DEBUG_OUTPUT=stderr"), "child line 7\n");
    EXPECT_EQ(childStandardError(nullptr), "");
    EXPECT_EQ(childStandardError("UTIL_DEBUG_OUTPUT=syslog"), "");
}

}  // namespace
