// POSIX debugger sink and errno reading. The sink (the system log, or standard
// error when UTIL_DEBUG_OUTPUT=stderr) chooses once, at its first text, so each
// case runs in a forked child (the rest of this binary uses a capturing sink).
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "log/debug_print.h"
#include "log/last_error.h"
#include "support/child_posix.h"
#include "support/test_support.h"

TEST(DebugSinkPosix, StandardErrorOnlyWhenAskedFor) {
    const char* const cases[][2] = {{"stderr", "child line 7\n"}, {nullptr, ""}, {"syslog", ""}};
    for (const auto& c : cases) {
        const char* value = c[0];
        util_test::TempDir directory;
        const std::string errorPath = directory.file("stderr.txt");
        EXPECT_EQ(util_test::runInChild([&] {
                      dup2(open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
                      util_test::setEnvironment("UTIL_DEBUG_OUTPUT", value);
                      return DbgPrint("child line %d\n", 7) == 13 ? 0 : 3;
                  }),
                  0);
        EXPECT_EQ(util_test::readFile(errorPath), c[1]) << (value != nullptr ? value : "unset");
    }
}

// A socket errno maps to its Winsock code.
TEST(LastError, DefaultConstructorsReadTheThreadsLastError) {
    errno = ENOENT;
    EXPECT_EQ(static_cast<int>(LastError()), ENOENT);
    errno = ECONNRESET;
    WinsockLastError socketError;
    EXPECT_EQ(socketError.code, 10054u);
    EXPECT_STREQ(static_cast<char*>(socketError), "Connection reset by peer");
}
