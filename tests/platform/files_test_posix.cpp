// The no-follow append open used by the side log and the thread log: only a
// regular file is opened, never through a link, and a planted FIFO does not
// block the caller.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/files.h"
#include "platform/files_posix.h"
#include "support/test_support.h"

using namespace util::platform;

TEST(PlatformFilesPosix, AppendNoFollowOpensRegularFilesOnly) {
    util_test::TempDir directory;
    const std::string file = directory.file("log.txt");
    const std::string link = directory.file("link.txt");
    const std::string fifo = directory.file("fifo");
    util_test::writeFile(file, "old\n");
    ASSERT_EQ(0, symlink(file.c_str(), link.c_str()));
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));

    const int descriptor = openAppendNoFollow(file.c_str(), 0600);
    ASSERT_GE(descriptor, 0);
    EXPECT_EQ(0, fcntl(descriptor, F_GETFL) & O_NONBLOCK);  // blocking again
    EXPECT_NE(0, fcntl(descriptor, F_GETFD) & FD_CLOEXEC);
    ASSERT_TRUE(writeToFile(descriptor, "new\n", 4));
    closeFile(descriptor);
    EXPECT_EQ("old\nnew\n", util_test::readFile(file));

    EXPECT_EQ(-1, openAppendNoFollow(link.c_str(), 0600));
    EXPECT_EQ(-1, openAppendNoFollow(fifo.c_str(), 0600));  // returns, does not block
    EXPECT_EQ(-1, openAppendNoFollow(directory.path().c_str(), 0600));

    const mode_t previous = umask(0);
    const std::string created = directory.file("created.txt");
    const int fresh = openAppendNoFollow(created.c_str(), 0600);
    umask(previous);
    ASSERT_GE(fresh, 0);
    closeFile(fresh);
    struct stat info;
    ASSERT_EQ(0, stat(created.c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777u);
}
