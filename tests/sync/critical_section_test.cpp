// ZnCriticalSection and Synchronizer.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "sync/critical_section.h"
#include "sync/sync_test_support.h"
#include "sync/synchronizer.h"

namespace {

void** lockAddress(ZnCriticalSection& section) { return reinterpret_cast<void**>(&section); }

// Four threads add to one plain counter, each addition under its own
// Synchronizer of `target`; a lock that does not exclude loses increments, one
// left held hangs the other threads.
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

}  // namespace

// Before Initialize, and through null targets, nothing is locked; a second
// Initialize keeps the lock; both locks are recursive and exclude other threads.
TEST(ZnCriticalSection, LocksOnceInitializedRecursivelyAndExclusively) {
    ZnCriticalSection section;
    EXPECT_EQ(nullptr, *lockAddress(section));
    section.Enter();
    section.Leave();
    { Synchronizer hold(lockAddress(section)); }  // a null lock pointer
    { Synchronizer hold(static_cast<SharedObject*>(nullptr)); }
    { Synchronizer hold(static_cast<void**>(nullptr)); }
    EXPECT_EQ(1u, section.Initialize());
    void* first = *lockAddress(section);
    ASSERT_NE(nullptr, first);
    section.Enter();
    section.Enter();
    EXPECT_EQ(1u, section.Initialize());
    EXPECT_EQ(first, *lockAddress(section));
    section.Leave();
    section.Leave();
    EXPECT_EQ(80000, countUnder(lockAddress(section)));

    sync_test::Calls calls;
    SharedObject* object = new sync_test::Tracked(calls);
    {
        Synchronizer hold(object);
        Synchronizer again(object);
    }
    EXPECT_EQ(80000, countUnder(object));
    object->Shutdown(0);
}
