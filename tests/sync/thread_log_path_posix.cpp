#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

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

// Nor does a FIFO planted there hold the logging thread in its open for want of
// a reader.
TEST(ZnThread, LogEventPassesOverAFifo) {
    const std::string path = sync_test::threadLogPath();
    std::remove(path.c_str());
    ASSERT_EQ(0, mkfifo(path.c_str(), 0600));
    std::atomic<bool> returned{false};
    std::thread logger([&] {
        ZnThread::LogEvent("abc");
        returned = true;
    });
    const bool inTime = util_test::eventually([&] { return returned.load(); }, std::chrono::seconds(5));
    if (!inTime) {  // a reader releases the blocked open, so that the test ends
        const int reader = open(path.c_str(), O_RDONLY | O_NONBLOCK);
        logger.join();
        close(reader);
    } else {
        logger.join();
    }
    EXPECT_TRUE(inTime) << "LogEvent waited in open on a FIFO";
    std::remove(path.c_str());
}
