// ZnThread: its states, suspension, who may delete the object when the thread
// ends, the destructor's polite stop, and LogEvent.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "sync/sync_test_support.h"
#include "sync/zn_thread.h"

using sync_test::eventually;
using sync_test::Worker;

TEST(ZnThread, NewObjectHasNoThread) {
    Worker worker;
    EXPECT_EQ(0, worker.IsValid() + worker.IsTerminated());
    EXPECT_EQ(1, worker.IsSuspended());
    EXPECT_EQ(0u, worker.Resume() + worker.Suspend() + worker.Terminate() + worker.SetPriority(0));
    EXPECT_EQ(0u, worker.GetId() + worker.GetErrorCode());
    EXPECT_EQ(nullptr, worker.GetHandle());
    EXPECT_EQ(nullptr, static_cast<void*>(worker));
}

TEST(ZnThread, CreatedSuspendedRunsAfterResume) {
    Worker worker;
    ASSERT_EQ(1u, worker.Create(0));
    EXPECT_TRUE(worker.IsValid() == 1 && worker.IsSuspended() == 1);
    void* handle = worker.GetHandle();
    EXPECT_TRUE(handle != nullptr && handle == static_cast<void*>(worker) && worker.GetId() != 0);
    EXPECT_EQ(0u, worker.Create(0));  // a second Create changes nothing
    EXPECT_EQ(handle, worker.GetHandle());
    EXPECT_EQ(1u, worker.SetPriority(-2));  // priorities take the Win32 values
    EXPECT_EQ(0u, worker.SetPriority(12345));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(0, worker.pre.load());
    EXPECT_EQ(1u, worker.Suspend());  // already suspended
    EXPECT_EQ(1u, worker.Resume());
    EXPECT_EQ(0, worker.IsSuspended());
    EXPECT_EQ(1u, worker.Resume());  // already running: calls nothing
    // Ended before the object goes: the thread's virtual calls must not meet the destructor.
    ASSERT_TRUE(eventually([&] { return worker.IsTerminated() == 1; }));
    EXPECT_EQ(1, worker.pre.load() * worker.executed.load());
    EXPECT_EQ(1u, worker.baseResult.load());  // the base Execute's result
}

// The owner suspends a running thread and resumes it; a thread that suspends
// itself is resumed by its owner.
TEST(ZnThread, SuspendParksTheThreadUntilResume) {
    Worker worker(Worker::kPolite);
    ASSERT_EQ(1u, worker.Create(0));
    ASSERT_EQ(1u, worker.Resume());
    ASSERT_TRUE(eventually([&] { return worker.ticks.load() > 3; }));
    EXPECT_EQ(1u, worker.Suspend());
    EXPECT_EQ(1, worker.IsSuspended());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the suspension is asynchronous
    const int parkedAt = worker.ticks.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(parkedAt, worker.ticks.load());
    EXPECT_EQ(1u, worker.Terminate());  // resumes it and asks it to stop
    EXPECT_EQ(0, worker.IsSuspended());
    EXPECT_TRUE(eventually([&] { return worker.IsTerminated() == 1; }));

    Worker self(Worker::kSuspendSelf);
    ASSERT_EQ(1u, self.Create(0));
    ASSERT_EQ(1u, self.Resume());
    ASSERT_TRUE(eventually([&] { return self.executed.load() == 1 && self.IsSuspended() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(0, self.ticks.load());  // parked
    EXPECT_EQ(1u, self.Resume());
    EXPECT_TRUE(eventually([&] { return self.IsTerminated() == 1; }));
    EXPECT_EQ(1, self.ticks.load());
}

TEST(ZnThread, AutoDeleteObjectDeletesItselfOnItsThread) {
    Worker::deletedOnItsThread = 0;
    auto* worker = new Worker;
    ASSERT_EQ(1u, worker->Create(1));
    ASSERT_EQ(1u, worker->Resume());
    ASSERT_TRUE(eventually([] { return Worker::deletedOnItsThread.load() != 0; }));
    EXPECT_EQ(1, Worker::deletedOnItsThread.load());
}

// An owner that sees IsTerminated() may delete the object at once: the base
// PostExecute must not read the object after it has published the end. The
// thread lingers after it (touching only a flag of the test) so that the owner's delete
// comes first; ThreadSanitizer then reports any late read of the object.
std::atomic<bool> ownerDeleted{false};

TEST(ZnThread, OwnerMayDeleteAsSoonAsTerminatedIsSeen) {
    for (int round = 0; round < 5; ++round) {
        ownerDeleted = false;
        auto* worker = new Worker(Worker::kBase, &ownerDeleted);
        ASSERT_EQ(1u, worker->Create(0));
        ASSERT_EQ(1u, worker->Resume());
        while (worker->IsTerminated() == 0) std::this_thread::yield();
        delete worker;
        ownerDeleted = true;
    }
}

// A polite running thread stops within one 20 ms poll; a thread that never ran
// is resumed by Terminate and the base Execute ends at once. 1 s leaves room
// for a loaded machine.
TEST(ZnThread, DestructorStopsAPoliteOrNeverStartedThreadQuickly) {
    for (bool started : {true, false}) {
        auto* worker = new Worker(started ? Worker::kPolite : Worker::kBase);
        ASSERT_EQ(1u, worker->Create(0));
        if (started) {
            ASSERT_EQ(1u, worker->Resume());
            ASSERT_TRUE(eventually([&] { return worker->ticks.load() > 0; }));
        }
        const auto start = std::chrono::steady_clock::now();
        delete worker;
        EXPECT_LT(sync_test::millisecondsSince(start), 1000) << started;
    }
}

TEST(ZnThread, LogEventAppendsLines) {
    const std::string path = util_test::isWindows() ? "C:\\ThrdLog.txt" : "/tmp/ThrdLog.txt";
    std::remove(path.c_str());
    ZnThread::LogEvent("abc");
    ZnThread::LogEvent(nullptr);
    EXPECT_EQ("abc\r\n\r\n", util_test::readFile(path));
    std::remove(path.c_str());
}
