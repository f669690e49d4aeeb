// WaitAllIdle, in a binary of its own: the all-idle event is never reset, so
// the test must be the first to make shared objects in its process.
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
    second->AddRef();
    second->Release();  // self-destroys: the last live object
    EXPECT_TRUE(sync_test::eventually([&] { return returned.load(); }));
    waiter.join();
    EXPECT_EQ(2, calls.destroyed.load());
    auto* third = new sync_test::Tracked(calls);
    SharedObject::WaitAllIdle();  // never reset: returns at once while `third` lives
    third->Shutdown(0);
}
