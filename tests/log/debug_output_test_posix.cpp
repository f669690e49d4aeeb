// POSIX debug output: the sink's choice; a side log that follows no link, writes only regular files, reports flushes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "log/debug_output.h"
#include "log/debug_print.h"
#include "log/log_platform.h"
#include "support/child_posix.h"
#include "support/test_support.h"

// The sink (the system log, or standard error when UTIL_DEBUG_OUTPUT=stderr) chooses once: a child per case.
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

TEST(SideLogPosix, RefusesSymbolicLinksAndNonRegularFilesAndReportsFlushFailure) {
    util_test::TempDir directory;
    const std::string target = directory.file("target"), link = directory.file("link.log");
    const std::string fifo = directory.file("fifo.log");
    util_test::writeFile(target, "kept");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(util::openSideLog(link.c_str()), nullptr);
    EXPECT_EQ(util::openSideLog(fifo.c_str()), nullptr);  // and does not block
    EXPECT_EQ(util_test::readFile(target), "kept");

    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr) << "no /dev/full";
    testing::internal::CaptureStdout();
    EXPECT_EQ(util::writeSideLog(full, "text"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "fputs err\n");
}
