// POSIX locks: guarded locks across fork, and deleting a held lock stops the
// Debug and sanitizer builds.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/lock.h"
#include "support/child_posix.h"

using namespace util::platform;

// A child forked while another thread holds guarded locks gets them free, and
// what the holder changed under them whole: the fork waits for the holder,
// entering the locks by rising order, so a holder that takes them in that
// order (outer, then inner) cannot deadlock with it.
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
        // Alive until the child is gone: ThreadSanitizer in the child reports an
        // ended thread that the parent had not joined yet.
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

#if defined(UTIL_DCHECK_ON)
// The check's own message, or ThreadSanitizer's: under it the misuse is
// reported, and the process stopped, before the check is reached.
const char kStopped[] = "check failed|ThreadSanitizer";
TEST(PlatformLockPosixDeathTest, DeletingAHeldLockStops) {
    Lock* lock = createCriticalSection();
    enterCriticalSection(lock);
    EXPECT_DEATH(deleteCriticalSection(lock), kStopped);
    leaveCriticalSection(lock);
    deleteCriticalSection(lock);
}
#endif
