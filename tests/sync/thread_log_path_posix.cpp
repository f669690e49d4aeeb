#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "support/test_support.h"
#include "sync/zn_thread.h"

namespace sync_test {
std::string threadLogPath() { return "/tmp/ThrdLog.txt"; }
}  // namespace sync_test

// A symbolic link planted at the fixed path is refused, not followed.
TEST(ZnThread, LogEventRefusesASymbolicLink) {
    util_test::TempDir directory;
    const std::string target = directory.file("target"), path = sync_test::threadLogPath();
    util_test::writeFile(target, "keep");
    std::remove(path.c_str());
    ASSERT_EQ(0, symlink(target.c_str(), path.c_str()));
    ZnThread::LogEvent("abc");
    EXPECT_EQ("keep", util_test::readFile(target));
    std::remove(path.c_str());
}
