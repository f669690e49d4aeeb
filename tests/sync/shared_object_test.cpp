#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "sync/sync_test_support.h"
#include "sync/synchronizer.h"

using namespace sync_test;

TEST(SharedObject, NamesAndValidity) {
    Calls calls;
    Tracked* named = new Tracked(calls);
    EXPECT_STREQ("Unknown", named->Name());
    EXPECT_EQ(1, named->IsValid());
    EXPECT_EQ(1, named->IsIdle());
    named->Invalid();
    EXPECT_EQ(0, named->IsValid());
    delete named;

    Tracked* unnamed = new Tracked(calls, nullptr);
    EXPECT_STREQ("Unknown", unnamed->Name());
    EXPECT_EQ(0, unnamed->IsValid());
    delete unnamed;

    // A Release without its AddRef drives the count negative and the object invalid.
    Tracked* unbalanced = new Tracked(calls, "unbalanced");
    EXPECT_STREQ("unbalanced", unbalanced->Name());
    EXPECT_EQ(static_cast<unsigned long>(-1L), unbalanced->Release());
    EXPECT_EQ(0, unbalanced->IsValid());
    EXPECT_EQ(0u, unbalanced->AddRef());
    EXPECT_EQ(1, unbalanced->IsValid());
    delete unbalanced;
    EXPECT_EQ(0, calls.pre.load());
    EXPECT_EQ(3, calls.destroyed.load());
}

TEST(SharedObject, LastReleaseDestroysOnCallingThreadUnlessMarkedWaiting) {
    Calls calls;
    Tracked* object = new Tracked(calls);
    EXPECT_EQ(1u, object->AddRef());
    EXPECT_EQ(2u, object->AddRef());
    EXPECT_EQ(1u, object->Release());
    EXPECT_EQ(0, calls.pre.load());
    EXPECT_EQ(0u, object->Release());
    EXPECT_EQ(1, calls.pre.load());
    EXPECT_EQ(1, calls.post.load());
    EXPECT_EQ(1, calls.destroyed.load());
    EXPECT_EQ(std::this_thread::get_id(), calls.preThread);
    EXPECT_EQ(std::this_thread::get_id(), calls.destroyThread);

    // GetIdleEvent marks the object waiting: the last Release no longer destroys.
    Calls marked;
    Tracked* owned = new Tracked(marked);
    void** event = owned->GetIdleEvent();
    ASSERT_NE(nullptr, event);
    EXPECT_NE(nullptr, *event);
    owned->AddRef();
    EXPECT_EQ(0u, owned->Release());
    EXPECT_EQ(0, marked.destroyed.load());
    owned->Shutdown(0);  // idle already: runs straight through
    EXPECT_EQ(1, marked.pre.load());
    EXPECT_EQ(1, marked.destroyed.load());
}

TEST(SharedObject, ReleaseWakesWaiterWithoutDestroying) {
    Calls calls;
    Tracked* object = new Tracked(calls);
    object->AddRef();
    std::atomic<bool> woke{false};
    std::thread waiter([&] {
        object->WaitIdle();
        woke = true;
    });
    // The waiter sets the waiting flag first; until then a Release would destroy.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(woke.load());
    EXPECT_EQ(0u, object->Release());
    waiter.join();
    EXPECT_TRUE(woke.load());
    EXPECT_EQ(0, calls.destroyed.load());
    EXPECT_EQ(0, calls.pre.load());
    // Its idle event stays set: a later wait on an idle object returns at once,
    // and the waiting flag keeps Release from destroying it.
    object->AddRef();
    EXPECT_EQ(0u, object->Release());
    object->WaitIdle();
    EXPECT_EQ(0, calls.destroyed.load());
    object->Shutdown(0);
    EXPECT_EQ(1, calls.destroyed.load());
}

// The owner shuts down while four users still hold references; each user
// releases from its own thread only after PreShutdown has run.
TEST(SharedObject, OwnerShutdownWaitsForEveryUser) {
    Calls calls;
    Tracked* object = new Tracked(calls);
    const int users = 4;
    std::mutex resultsMutex;
    std::multiset<unsigned long> results;
    std::vector<std::thread> threads;
    for (int i = 0; i < users; ++i) object->AddRef();
    for (int i = 0; i < users; ++i) {
        threads.emplace_back([&, i] {
            ASSERT_TRUE(eventually([&] { return calls.pre.load() == 1; }));
            std::this_thread::sleep_for(std::chrono::milliseconds(10 * i));
            EXPECT_EQ(0, calls.destroyed.load());
            const unsigned long left = object->Release();
            std::lock_guard<std::mutex> hold(resultsMutex);
            results.insert(left);
        });
    }
    object->Shutdown(0);
    EXPECT_EQ(1, calls.pre.load());
    EXPECT_EQ(1, calls.post.load());
    EXPECT_EQ(1, calls.destroyed.load());
    EXPECT_EQ(std::this_thread::get_id(), calls.destroyThread);
    for (auto& thread : threads) thread.join();
    EXPECT_EQ((std::multiset<unsigned long>{0, 1, 2, 3}), results);
}

// The last user releases while PreShutdown still runs: that Release must only
// count down, never start a second shutdown (a double delete).
TEST(SharedObject, ReleaseDuringPreShutdownDoesNotDestroyTwice) {
    Calls calls;
    Tracked* object = new Tracked(calls);
    object->AddRef();
    std::atomic<bool> released{false};
    std::thread user;
    object->onPreShutdown = [&] {
        user = std::thread([&] {
            EXPECT_EQ(0u, object->Release());
            released = true;
        });
        EXPECT_TRUE(eventually([&] { return released.load(); }));
    };
    object->Shutdown(0);
    user.join();
    EXPECT_EQ(1, calls.pre.load());
    EXPECT_EQ(1, calls.post.load());
    EXPECT_EQ(1, calls.destroyed.load());
}

// Shutdown(1) returns before the sequence runs, on a thread of its own; every
// other value runs it on the calling thread.
TEST(SharedObject, ShutdownRunsOnANewThreadOnlyForOne) {
    for (int inThread : {1, 0, 2, -1}) {
        Calls calls;
        Tracked* object = new Tracked(calls);
        std::atomic<bool> returned{false}, sawReturn{false};
        if (inThread == 1) object->onPreShutdown = [&] { sawReturn = eventually([&] { return returned.load(); }); };
        object->Shutdown(inThread);
        if (inThread != 1) { EXPECT_EQ(1, calls.destroyed.load()) << inThread; }  // already done
        returned = true;
        ASSERT_TRUE(eventually([&] { return calls.destroyed.load() == 1; })) << inThread;
        EXPECT_EQ(1, calls.pre.load()) << inThread;
        EXPECT_EQ(1, calls.post.load()) << inThread;
        std::lock_guard<std::mutex> hold(calls.mutex);
        EXPECT_EQ(inThread == 1, sawReturn.load()) << inThread;
        EXPECT_EQ(inThread == 1, std::this_thread::get_id() != calls.preThread) << inThread;
        EXPECT_EQ(calls.preThread, calls.destroyThread) << inThread;
    }
}

// Users and the owner race many times over; every round ends with exactly one
// destruction (AddressSanitizer would also catch a second delete). The owner
// marks itself with GetIdleEvent before it hands out references, so the users
// may release before, during or after its Shutdown.
TEST(SharedObject, ConcurrentReleasesAndShutdownDestroyOnce) {
    for (int round = 0; round < 200; ++round) {
        Calls calls;
        Tracked* object = new Tracked(calls);
        object->GetIdleEvent();
        std::vector<std::thread> threads;
        for (int i = 0; i < 3; ++i) object->AddRef();
        for (int i = 0; i < 3; ++i) threads.emplace_back([object] { object->Release(); });
        object->Shutdown(round % 2);
        for (auto& thread : threads) thread.join();
        ASSERT_TRUE(eventually([&] { return calls.destroyed.load() == 1; }));
        EXPECT_EQ(1, calls.pre.load());
    }
}

// An owner may hold the object's own lock (through a Synchronizer) while it
// waits for the users, with WaitIdle or on the idle event (here: polling IsIdle
// after GetIdleEvent). The last Release must take no lock a client can hold, or
// it never returns. On failure the threads stay blocked and are left behind.
TEST(SharedObject, LastReleaseReturnsWhileOwnerHoldsTheObjectLock) {
    for (bool waitIdle : {true, false}) {
        Calls calls;
        Tracked* object = new Tracked(calls);
        object->AddRef();
        std::atomic<bool> holding{false}, sawIdle{false}, released{false};
        std::thread owner([&] {
            Synchronizer hold(object);
            if (waitIdle) {
                holding = true;
                object->WaitIdle();
            } else {
                object->GetIdleEvent();
                holding = true;
                while (object->IsIdle() == 0) std::this_thread::yield();
            }
            sawIdle = true;
        });
        ASSERT_TRUE(eventually([&] { return holding.load(); }));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let WaitIdle block
        std::thread user([&] { released = object->Release() == 0; });
        const bool done = eventually([&] { return released.load() && sawIdle.load(); }, std::chrono::seconds(3));
        if (!done) {
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
