// LogEvent's fixed path on POSIX (/tmp/ThrdLog.txt) is open to anyone: a symbolic link planted there is
// refused, not followed, and a FIFO does not hold the logging thread in its open for want of a reader.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "support/child_posix.h"
#include "support/test_support.h"
#include "sync/zn_thread.h"

TEST(ZnThread, LogEventRefusesALinkAndPassesOverAFifo) {
    const char path[] = "/tmp/ThrdLog.txt";
    const auto logOnce = [] {
        ZnThread::LogEvent("abc");
        return 0;
    };
    util_test::TempDir directory;
    const std::string target = directory.file("target");
    util_test::writeFile(target, "keep");
    std::remove(path);
    ASSERT_EQ(0, symlink(target.c_str(), path));
    logOnce();
    EXPECT_EQ("keep", util_test::readFile(target));
    std::remove(path);
    ASSERT_EQ(0, mkfifo(path, 0600));
    EXPECT_EQ(0, util_test::runInChild(logOnce, std::chrono::seconds(5))) << "LogEvent waited in open on a FIFO";
    std::remove(path);
}
