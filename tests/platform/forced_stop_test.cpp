// The platform's forced stop of a thread. A stopped POSIX thread is parked for good,
// which ThreadSanitizer cannot follow: these tests are left out of its run.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/thread.h"
#include "support/test_support.h"

using namespace util::platform;

namespace {

std::atomic<int> started{0};

unsigned long sleepForEver(void*) {
    ++started;
    for (;;) sleepMilliseconds(5);
}

// Spins without a system call, and so without a cancellation point.
unsigned long spin(void*) {
    ++started;
    for (volatile unsigned long n = 0;; n = n + 1) {}
}

// Its destructor never returns, and like every destructor it is noexcept.
struct BlocksInDestructor {
    ~BlocksInDestructor() {
        for (;;) sleepMilliseconds(5);
    }
};

unsigned long blockInDestructor(void*) {
    BlocksInDestructor guard;
    ++started;
    return 0;
}

}  // namespace

// A sleeping, a never-started, a busy (running or suspended) thread and one blocked
// in a noexcept destructor all end where they are with the first code given, and
// the process goes on; the never-started one never runs its routine.
TEST(PlatformThread, ForcedStopEndsEveryKindOfThreadWithItsCode) {
    struct Case {
        ThreadRoutine routine;
        bool createdSuspended, suspendFirst;
    };
    const Case cases[] = {{sleepForEver, false, false},
                          {sleepForEver, true, false},
                          {spin, false, false},
                          {spin, false, true},
                          {blockInDestructor, false, false}};
    for (const Case& c : cases) {
        // Wine's TerminateThread of a never-started thread now and then kills the whole
        // Wine process (Windows ends such a thread cleanly): checked on POSIX only.
        if (c.createdSuspended && util_test::isWindows()) continue;
        started = 0;
        Thread* thread = createThread(c.routine, nullptr, c.createdSuspended, nullptr);
        ASSERT_NE(nullptr, thread);
        ASSERT_TRUE(c.createdSuspended || util_test::eventually([] { return started.load() == 1; }));
        if (c.suspendFirst) {
            EXPECT_EQ(0u, suspendThread(thread));
        }
        EXPECT_TRUE(terminateThread(thread, 0xFFFFFFFFul));
        // POSIX returns once the thread is parked; TerminateThread may return before.
        ASSERT_TRUE(waitForThread(thread, util_test::isWindows() ? 10000 : 0));
        unsigned long code = 0;
        ASSERT_TRUE(threadExitCode(thread, &code));
        EXPECT_EQ(0xFFFFFFFFul, code);
        EXPECT_EQ(kThreadCallFailed, suspendThread(thread));
        EXPECT_TRUE(terminateThread(thread, 22));  // already stopped: the first code stays
        ASSERT_TRUE(threadExitCode(thread, &code));
        EXPECT_EQ(0xFFFFFFFFul, code);
        EXPECT_EQ(c.createdSuspended ? 0 : 1, started.load());
        closeThread(thread);
    }
}
