// POSIX: deleting a lock that a thread holds stops the Debug and sanitizer builds.
#include <gtest/gtest.h>

#include "platform/lock.h"

#if defined(UTIL_DCHECK_ON)
// The check's own message, or ThreadSanitizer's: under it the misuse is
// reported, and the process stopped, before the check is reached.
const char kStopped[] = "check failed|ThreadSanitizer";
TEST(PlatformLockPosixDeathTest, DeletingAHeldLockStops) {
    util::platform::Lock* lock = util::platform::createCriticalSection();
    util::platform::enterCriticalSection(lock);
    EXPECT_DEATH(util::platform::deleteCriticalSection(lock), kStopped);
    util::platform::leaveCriticalSection(lock);
    util::platform::deleteCriticalSection(lock);
}
#endif
