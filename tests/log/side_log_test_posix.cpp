// POSIX side log: no link is followed, only regular files are written, and a
// write that fails only when flushed is still reported.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "log/debug_output.h"
#include "log/log_platform.h"
#include "support/test_support.h"

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
