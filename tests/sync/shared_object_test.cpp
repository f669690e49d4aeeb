// SharedObject (count, validity, who destroys it, shutdown racing users), ZnCriticalSection, Synchronizer.
#include <gtest/gtest.h>

#include <vector>

#include "sync/critical_section.h"
#include "sync/sync_test_support.h"
#include "sync/synchronizer.h"

using namespace sync_test;
using util_test::eventually;

// While this thread holds `target` twice (the locks are recursive), another thread's Synchronizer of it waits.
template <typename Target>
void expectExcludes(Target target) {
    std::atomic<bool> entered{false};
    std::thread other;
    {
        Synchronizer hold(target);
        Synchronizer again(target);
        other = std::thread([&] {
            Synchronizer wait(target);
            entered = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(entered.load());
    }
    other.join();
    EXPECT_TRUE(entered.load());
}

// Null targets and a section before Initialize lock nothing; a second Initialize keeps the lock.
TEST(ZnCriticalSection, LocksOnceInitializedRecursivelyAndExclusively) {
    ZnCriticalSection section;
    void** lock = reinterpret_cast<void**>(&section);  // the section is its lock pointer alone
    section.Enter();
    section.Leave();
    { Synchronizer hold(lock); }  // a null lock pointer
    { Synchronizer hold(static_cast<SharedObject*>(nullptr)); }
    { Synchronizer hold(static_cast<void**>(nullptr)); }
    EXPECT_EQ(1u, section.Initialize());
    void* first = *lock;
    ASSERT_NE(nullptr, first);
    section.Enter();
    section.Enter();
    EXPECT_EQ(1u, section.Initialize());
    EXPECT_EQ(first, *lock);
    section.Leave();
    section.Leave();
    expectExcludes(lock);
}

TEST(SharedObject, CountValidityLockAndTheUnwatchedLastRelease) {
    Calls calls;
    Tracked* unnamed = new Tracked(calls, nullptr);
    EXPECT_STREQ("Unknown", unnamed->Name());
    EXPECT_EQ(0, unnamed->IsValid());
    delete unnamed;
    Tracked* object = new Tracked(calls, "named");
    // A Release without its AddRef drives the count negative and the object invalid.
    EXPECT_EQ(static_cast<unsigned long>(-1L), object->Release());
    EXPECT_EQ(0, object->IsValid());
    EXPECT_EQ(0u, object->AddRef());
    EXPECT_EQ(1, object->IsValid());
    object->Invalid();
    EXPECT_EQ(0, object->IsValid());
    expectExcludes(object);  // its own lock
    // Unwatched, the last Release runs the whole shutdown on the releasing thread.
    EXPECT_EQ(1u, object->AddRef());
    EXPECT_EQ(0u, object->Release());
    EXPECT_EQ(1, calls.pre.load() * calls.post.load());
    EXPECT_EQ(2, calls.destroyed.load());
}

// Three users release before, during or after the owner's Shutdown (1: on a thread of its own), or all inside
// PreShutdown: nothing goes while a user holds it, releases count 2, 1, 0, the sequence destroys exactly once.
TEST(SharedObject, OwnerShutdownRacingItsUsersDestroysOnceAfterTheLast) {
    for (int round = 0; round < 150; ++round) {
        const int inThread = round % 3 - 1;   // -1, 0, 1
        const bool afterPre = round % 4 < 2;  // the users release once PreShutdown has begun
        Calls calls;
        Tracked* object = new Tracked(calls);
        if (!afterPre) object->GetIdleEvent();  // the owner's mark: the last Release only wakes it
        std::atomic<bool> returned{false};
        std::atomic<unsigned> results{0};  // bit n: a Release returned n
        object->onPreShutdown = [&] {
            EXPECT_TRUE(round % 4 != 0 || eventually([&] { return results.load() == 7; }));
            EXPECT_TRUE(inThread != 1 || eventually([&] { return returned.load(); }));  // not inline
        };
        std::vector<std::thread> users;
        for (int i = 0; i < 3; ++i) object->AddRef();
        for (int i = 0; i < 3; ++i) {
            users.emplace_back([&] {
                EXPECT_TRUE(!afterPre || eventually([&] { return calls.pre.load() == 1; }));
                EXPECT_EQ(0, calls.destroyed.load());
                results |= 1u << (object->Release() & 31);
            });
        }
        object->Shutdown(inThread);
        EXPECT_TRUE(inThread == 1 || calls.destroyed.load() == 1);  // inline: done when it returns
        returned = true;
        for (auto& user : users) user.join();
        ASSERT_TRUE(eventually([&] { return calls.destroyed.load() == 1; }));
        EXPECT_EQ(1, calls.pre.load() * calls.post.load());
        EXPECT_EQ(7u, results.load());
    }
}

// An owner may hold the object's own lock while it waits for the users: the last Release must take no lock a
// client can hold. On failure the threads are left behind.
TEST(SharedObject, LastReleaseReturnsWhileOwnerHoldsTheObjectLock) {
    Calls calls;
    Tracked* object = new Tracked(calls);
    object->AddRef();
    std::atomic<bool> holding{false}, sawIdle{false}, released{false};
    std::thread owner([&] {
        Synchronizer hold(object);
        holding = true;
        object->WaitIdle();
        sawIdle = true;
    });
    ASSERT_TRUE(eventually([&] { return holding.load(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let WaitIdle block
    std::thread user([&] { released = object->Release() == 0; });
    if (!eventually([&] { return released.load() && sawIdle.load(); }, std::chrono::seconds(3))) {
        owner.detach();
        user.detach();
        FAIL() << "Release deadlocked against the owner's lock";
    }
    owner.join();
    user.join();
    object->Shutdown(0);
    EXPECT_EQ(1, calls.destroyed.load());
}
