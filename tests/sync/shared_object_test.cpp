// SharedObject: who destroys it, on which thread, and the owner's shutdown
// racing its users.
#include <gtest/gtest.h>

#include <vector>

#include "sync/sync_test_support.h"
#include "sync/synchronizer.h"

using namespace sync_test;

TEST(SharedObject, NamesValidityAndUnbalancedRelease) {
    Calls calls;
    Tracked* unnamed = new Tracked(calls, nullptr);
    EXPECT_STREQ("Unknown", unnamed->Name());
    EXPECT_EQ(0, unnamed->IsValid());
    delete unnamed;
    Tracked* object = new Tracked(calls, "named");
    EXPECT_STREQ("named", object->Name());
    // A Release without its AddRef drives the count negative and the object invalid.
    EXPECT_EQ(static_cast<unsigned long>(-1L), object->Release());
    EXPECT_EQ(0, object->IsValid());
    EXPECT_EQ(0u, object->AddRef());
    EXPECT_EQ(1, object->IsValid());
    object->Invalid();
    EXPECT_EQ(0, object->IsValid());
    delete object;
}

// Unwatched, the last Release runs the shutdown on the releasing thread; once
// GetIdleEvent marked the object waiting, it only sets the idle event, which
// stays set.
TEST(SharedObject, LastReleaseDestroysUnlessAnOwnerWaits) {
    Calls calls;
    Tracked* object = new Tracked(calls);
    EXPECT_EQ(1u, object->AddRef());
    EXPECT_EQ(2u, object->AddRef());
    EXPECT_EQ(1u, object->Release());
    EXPECT_EQ(0, calls.pre.load());
    EXPECT_EQ(0u, object->Release());
    EXPECT_EQ(1, calls.post.load());
    EXPECT_EQ(1, calls.destroyed.load());
    EXPECT_EQ(std::this_thread::get_id(), calls.destroyThread);

    Calls marked;
    Tracked* owned = new Tracked(marked);
    void** event = owned->GetIdleEvent();
    ASSERT_TRUE(event != nullptr && *event != nullptr);
    owned->AddRef();
    EXPECT_EQ(0, owned->IsIdle());
    EXPECT_EQ(0u, owned->Release());
    EXPECT_EQ(1, owned->IsIdle());
    owned->WaitIdle();  // returns at once
    EXPECT_EQ(0, marked.destroyed.load());
    owned->Shutdown(0);
    EXPECT_EQ(1, marked.destroyed.load());
}

// The last user releases while PreShutdown still runs: that Release must only
// count down, never start a second shutdown (a double delete).
TEST(SharedObject, ReleaseDuringPreShutdownDoesNotDestroyTwice) {
    Calls calls;
    Tracked* object = new Tracked(calls);
    object->AddRef();
    std::thread user;
    object->onPreShutdown = [&] {
        std::atomic<bool> released{false};
        user = std::thread([&] { released = object->Release() == 0; });
        EXPECT_TRUE(eventually([&] { return released.load(); }));
    };
    object->Shutdown(0);
    user.join();
    EXPECT_EQ(1, calls.post.load());
    EXPECT_EQ(1, calls.destroyed.load());
}

// Three users release before, during or after the owner's Shutdown, many times
// over: nothing is destroyed while a user holds a reference, the releases count
// down 2, 1, 0, and the owner's sequence destroys exactly once. Shutdown(1)
// returns before the sequence runs, on a thread of its own; every other value
// runs it on the calling thread. AddressSanitizer also catches a second delete.
TEST(SharedObject, OwnerShutdownRacingItsUsersDestroysOnceAfterTheLast) {
    for (int round = 0; round < 150; ++round) {
        const int inThread = round % 3 - 1;  // -1, 0, 1
        Calls calls;
        Tracked* object = new Tracked(calls);
        object->GetIdleEvent();  // the owner's mark: the last Release only wakes it
        std::atomic<bool> returned{false};
        if (inThread == 1) object->onPreShutdown = [&] { EXPECT_TRUE(eventually([&] { return returned.load(); })); };
        std::atomic<unsigned> results{0};  // bit n: a Release returned n
        std::vector<std::thread> users;
        for (int i = 0; i < 3; ++i) object->AddRef();
        for (int i = 0; i < 3; ++i) {
            users.emplace_back([&] {
                if (round % 4 < 2) {
                    EXPECT_TRUE(eventually([&] { return calls.pre.load() == 1; }));
                }
                EXPECT_EQ(0, calls.destroyed.load());
                results |= 1u << (object->Release() & 31);
            });
        }
        object->Shutdown(inThread);
        returned = true;
        for (auto& user : users) user.join();
        ASSERT_TRUE(eventually([&] { return calls.destroyed.load() == 1; }));
        EXPECT_EQ(1, calls.pre.load() * calls.post.load());
        EXPECT_EQ(7u, results.load());
        std::lock_guard<std::mutex> hold(calls.mutex);
        EXPECT_EQ(inThread == 1, calls.preThread != std::this_thread::get_id()) << inThread;
        EXPECT_EQ(calls.preThread, calls.destroyThread);
    }
}

// An owner may hold the object's own lock (through a Synchronizer) while it
// waits for the users, with WaitIdle or by polling IsIdle after GetIdleEvent.
// The last Release must take no lock a client can hold, or it never returns.
// On failure the threads stay blocked and are left behind.
TEST(SharedObject, LastReleaseReturnsWhileOwnerHoldsTheObjectLock) {
    for (bool waitIdle : {true, false}) {
        Calls calls;
        Tracked* object = new Tracked(calls);
        object->AddRef();
        std::atomic<bool> holding{false}, sawIdle{false}, released{false};
        std::thread owner([&] {
            Synchronizer hold(object);
            if (!waitIdle) object->GetIdleEvent();
            holding = true;
            if (waitIdle) object->WaitIdle();
            while (object->IsIdle() == 0) std::this_thread::yield();
            sawIdle = true;
        });
        ASSERT_TRUE(eventually([&] { return holding.load(); }));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let WaitIdle block
        std::thread user([&] { released = object->Release() == 0; });
        if (!eventually([&] { return released.load() && sawIdle.load(); }, std::chrono::seconds(3))) {
            owner.detach();
            user.detach();
            FAIL() << "Release deadlocked against the owner's lock, waitIdle=" << waitIdle;
        }
        owner.join();
        user.join();
        object->Shutdown(0);
        EXPECT_EQ(1, calls.destroyed.load());
    }
}
