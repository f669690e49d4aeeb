// ZnCriticalSection and Synchronizer.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "sync/critical_section.h"
#include "sync/shared_object.h"
#include "sync/synchronizer.h"

namespace {

void** lockAddress(ZnCriticalSection& section) { return reinterpret_cast<void**>(&section); }

// Four threads add to one plain counter, each addition under its own
// Synchronizer of `target`; a lock that does not exclude loses increments.
template <typename Target>
long countUnder(Target target) {
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                Synchronizer hold(target);
                counter = counter + 1;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    return counter;
}

class CountingLock : public SharedObject {  // counts only while it holds the lock
public:
    int locks = 0, unlocks = 0;
    void Lock() override {
        SharedObject::Lock();
        ++locks;
    }
    void Unlock() override {
        ++unlocks;
        SharedObject::Unlock();
    }
};

}  // namespace

TEST(ZnCriticalSection, DoesNothingBeforeInitializeAndNullTargetsLockNothing) {
    ZnCriticalSection section;
    EXPECT_EQ(nullptr, *lockAddress(section));
    section.Enter();
    section.Leave();
    { Synchronizer hold(lockAddress(section)); }  // a null lock pointer
    { Synchronizer hold(static_cast<SharedObject*>(nullptr)); }
    { Synchronizer hold(static_cast<void**>(nullptr)); }
}  // destroying a never-initialised section does nothing

TEST(ZnCriticalSection, SecondInitializeKeepsTheLock) {
    ZnCriticalSection section;
    EXPECT_EQ(1u, section.Initialize());
    void* first = *lockAddress(section);
    ASSERT_NE(nullptr, first);
    section.Enter();
    EXPECT_EQ(1u, section.Initialize());  // while held: neither replaced nor re-initialised
    EXPECT_EQ(first, *lockAddress(section));
    section.Leave();
}

TEST(ZnCriticalSection, IsRecursiveAndExcludesOtherThreads) {
    ZnCriticalSection section;
    ASSERT_EQ(1u, section.Initialize());
    section.Enter();
    section.Enter();
    std::atomic<bool> entered{false};
    std::thread other([&] {
        section.Enter();
        entered = true;
        section.Leave();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(entered.load());
    section.Leave();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(entered.load());  // still held once
    section.Leave();
    other.join();
    EXPECT_TRUE(entered.load());
    EXPECT_EQ(80000, countUnder(lockAddress(section)));
}

TEST(Synchronizer, LocksSharedObjectThroughVirtualSlots) {
    CountingLock* object = new CountingLock;
    {
        Synchronizer hold(object);
        EXPECT_EQ(1, object->locks);
        EXPECT_EQ(0, object->unlocks);
        Synchronizer again(object);  // the object's lock is recursive
        EXPECT_EQ(2, object->locks);
    }
    EXPECT_EQ(2, object->unlocks);
    EXPECT_EQ(80000, countUnder(object));
    EXPECT_EQ(80002, object->locks);
    object->Shutdown(0);
}
