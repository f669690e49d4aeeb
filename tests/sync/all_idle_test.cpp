// WaitAllIdle, alone in its binary: the all-idle event is never reset, so this test makes the first objects.
#include <gtest/gtest.h>

#include "sync/sync_test_support.h"

TEST(SharedObject, WaitAllIdleReturnsWhenTheLastObjectIsGone) {
    SharedObject::WaitAllIdle();  // none ever made: returns at once
    sync_test::Calls calls;
    auto* first = new sync_test::Tracked(calls);
    auto* second = new sync_test::Tracked(calls);
    std::atomic<bool> returned{false};
    std::thread waiter([&] {
        SharedObject::WaitAllIdle();
        returned = true;
    });
    first->Shutdown(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(returned.load());
    second->Shutdown(0);  // the last live object
    waiter.join();
    auto* third = new sync_test::Tracked(calls);
    SharedObject::WaitAllIdle();  // never reset: returns at once while `third` lives
    third->Shutdown(0);
}
