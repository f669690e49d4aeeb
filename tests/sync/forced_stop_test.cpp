// The destructor's kill after 6 s: a stopped thread is parked for good and
// never runs again. ThreadSanitizer would report its last, never-finished
// accesses, so this binary runs natively, under AddressSanitizer and under
// Wine, not in the ThreadSanitizer run.
#include <gtest/gtest.h>

#include "platform/thread.h"
#include "sync/sync_test_support.h"
#include "sync/zn_thread.h"

namespace {

// Its destructor never returns, and like every destructor it is noexcept.
struct BlocksInDestructor {
    ~BlocksInDestructor() {
        for (;;) util::platform::sleepMilliseconds(5);
    }
};

// Ignores bTerminate, in a plain loop or stuck in a noexcept destructor; after
// its first step it touches only its stack.
class Stubborn : public ZnThread {
public:
    bool inDestructor = false;
    std::atomic<int> executed{0};

protected:
    unsigned long Execute() override {
        if (inDestructor) {
            BlocksInDestructor guard;
            ++executed;
            return 0;
        }
        ++executed;
        for (;;) util::platform::sleepMilliseconds(5);
    }
};

}  // namespace

TEST(ZnThread, DestructorKillsAThreadThatIgnoresTheRequest) {
    for (bool inDestructor : {false, true}) {
        auto* worker = new Stubborn;
        worker->inDestructor = inDestructor;
        ASSERT_EQ(1u, worker->Create(0));
        ASSERT_EQ(1u, worker->Resume());
        ASSERT_TRUE(sync_test::eventually([&] { return worker->executed.load() == 1; }));
        const auto start = std::chrono::steady_clock::now();
        delete worker;
        EXPECT_GE(sync_test::millisecondsSince(start), 5900) << inDestructor;
        EXPECT_LT(sync_test::millisecondsSince(start), 9000) << inDestructor;
    }
}
