// POSIX only: guarded locks across fork, and the side log's no-follow append open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/files.h"
#include "platform/files_posix.h"
#include "platform/lock.h"
#include "support/child_posix.h"
#include "support/test_support.h"

using namespace util::platform;

// A child forked while another thread holds guarded locks gets them free, and what
// the holder changed under them whole: the fork enters the locks by rising order, so
// a holder that takes them in that order (outer, then inner) cannot deadlock with it.
TEST(PlatformLockPosix, GuardedLocksAreFreeInAForkedChild) {
    Lock* outer = createCriticalSection();
    Lock* inner = createCriticalSection();
    ASSERT_TRUE(guardAcrossFork(inner, 11));  // guarded first, entered last
    ASSERT_TRUE(guardAcrossFork(outer, 10));
    EXPECT_TRUE(guardAcrossFork(outer, 10));  // already guarded
    std::atomic<bool> holding{false}, forked{false};
    int state = 0;  // changed under outer only
    std::thread holder([&] {
        enterCriticalSection(outer);
        state = 1;
        holding = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the fork starts meanwhile
        enterCriticalSection(inner);
        leaveCriticalSection(inner);
        state = 2;
        leaveCriticalSection(outer);
        // Alive until the child is gone: ThreadSanitizer in the child reports an unjoined ended thread.
        while (!forked.load()) std::this_thread::yield();
    });
    while (!holding.load()) std::this_thread::yield();
    EXPECT_EQ(2, util_test::runInChild(
                     [&] {
                         enterCriticalSection(outer);
                         enterCriticalSection(outer);  // made anew, still recursive
                         enterCriticalSection(inner);
                         return state;
                     },
                     std::chrono::seconds(5)));
    forked = true;
    holder.join();
    bool free = false;  // the parent let both go again after the fork
    std::thread([&] {
        free = tryEnterCriticalSection(outer) && tryEnterCriticalSection(inner);
        if (free) {
            leaveCriticalSection(inner);
            leaveCriticalSection(outer);
        }
    }).join();
    EXPECT_TRUE(free);
    unguardAcrossFork(inner);
    unguardAcrossFork(outer);
    deleteCriticalSection(inner);
    deleteCriticalSection(outer);
}

// Only a regular file is opened, never through a link, and a planted FIFO does not
// block the caller; the descriptor is blocking again and closed on exec.
TEST(PlatformFilesPosix, AppendNoFollowOpensRegularFilesOnly) {
    util_test::TempDir directory;
    const std::string file = directory.file("log.txt"), link = directory.file("link.txt");
    const std::string fifo = directory.file("fifo");
    util_test::writeFile(file, "old\n");
    ASSERT_EQ(0, symlink(file.c_str(), link.c_str()));
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    const int descriptor = openAppendNoFollow(file.c_str(), 0600);
    ASSERT_GE(descriptor, 0);
    EXPECT_EQ(0, fcntl(descriptor, F_GETFL) & O_NONBLOCK);
    EXPECT_NE(0, fcntl(descriptor, F_GETFD) & FD_CLOEXEC);
    ASSERT_TRUE(writeToFile(descriptor, "new\n", 4));
    closeFile(descriptor);
    EXPECT_EQ("old\nnew\n", util_test::readFile(file));
    EXPECT_EQ(-1, openAppendNoFollow(link.c_str(), 0600));
    EXPECT_EQ(-1, openAppendNoFollow(fifo.c_str(), 0600));
    EXPECT_EQ(-1, openAppendNoFollow(directory.path().c_str(), 0600));
    EXPECT_EQ(-1, openAppendNoFollow("/dev/null", 0600));  // opens, but is no regular file
}
