#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "support/test_support.h"
#include "sync/sync_test_support.h"
#include "sync/zn_thread.h"

using sync_test::eventually;
using sync_test::millisecondsSince;

namespace sync_test {
std::string threadLogPath();  // thread_log_path_*.cpp
}

namespace {

// Counts its hooks; Execute runs the base version or loops until asked to stop.
// The base destructor may stop the thread after this class's part is gone, so
// the loop touches the object only through pointers taken before it starts.
class Worker : public ZnThread {
public:
    std::atomic<int> pre{0}, executed{0}, ticks{0};
    bool loop = false;

protected:
    void PreExecute() override { ++pre; }
    unsigned long Execute() override {
        ++executed;
        if (!loop) return ZnThread::Execute();
        const int* stop = &bTerminate;
        std::atomic<int>* tickCount = &ticks;
        while (__atomic_load_n(stop, __ATOMIC_SEQ_CST) == 0) {
            ++*tickCount;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return 7;
    }
};

std::atomic<int> selfDeleted{0};
std::atomic<std::thread::id> executeThread{};
std::atomic<bool> deletedOnOwnThread{false};

class SelfDeleting : public ZnThread {
public:
    ~SelfDeleting() override {
        deletedOnOwnThread = executeThread.load() == std::this_thread::get_id();
        ++selfDeleted;
    }

protected:
    unsigned long Execute() override {
        executeThread = std::this_thread::get_id();
        return 3;
    }
};

// Suspends itself once it runs, then ends with 5.
class SelfSuspending : public ZnThread {
public:
    std::atomic<int> stage{0};

protected:
    unsigned long Execute() override {
        stage = 1;
        Suspend();
        stage = 2;
        return 5;
    }
};

}  // namespace

TEST(ZnThread, AThreadThatSuspendsItselfIsResumedByItsOwner) {
    SelfSuspending worker;
    ASSERT_EQ(1u, worker.Create(0));
    ASSERT_EQ(1u, worker.Resume());
    ASSERT_TRUE(eventually([&] { return worker.stage.load() == 1 && worker.IsSuspended() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(1, worker.stage.load());  // parked
    EXPECT_EQ(1u, worker.Resume());
    EXPECT_TRUE(eventually([&] { return worker.IsTerminated() == 1; }));
    EXPECT_EQ(2, worker.stage.load());
}

TEST(ZnThread, NewObjectHasNoThread) {
    Worker worker;
    EXPECT_EQ(0, worker.IsValid());
    EXPECT_EQ(1, worker.IsSuspended());
    EXPECT_EQ(0, worker.IsTerminated());
    EXPECT_EQ(0u, worker.Resume());
    EXPECT_EQ(0u, worker.Suspend());
    EXPECT_EQ(0u, worker.Terminate());
    EXPECT_EQ(0u, worker.SetPriority(0));
    EXPECT_EQ(nullptr, worker.GetHandle());
    EXPECT_EQ(nullptr, static_cast<void*>(worker));
    EXPECT_EQ(0u, worker.GetId());
    EXPECT_EQ(0u, worker.GetErrorCode());
}

TEST(ZnThread, CreatedSuspendedRunsAfterResume) {
    Worker worker;
    ASSERT_EQ(1u, worker.Create(0));
    EXPECT_EQ(1, worker.IsValid());
    EXPECT_EQ(1, worker.IsSuspended());
    void* handle = worker.GetHandle();
    EXPECT_NE(nullptr, handle);
    EXPECT_NE(0u, worker.GetId());
    EXPECT_EQ(0u, worker.Create(0));  // a second Create changes nothing
    EXPECT_EQ(handle, worker.GetHandle());
    EXPECT_EQ(1u, worker.SetPriority(0));  // priorities take the Win32 values
    EXPECT_EQ(1u, worker.SetPriority(-2));
    EXPECT_EQ(0u, worker.SetPriority(12345));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(0, worker.pre.load());
    EXPECT_EQ(1u, worker.Suspend());  // already suspended
    EXPECT_EQ(1u, worker.Resume());
    EXPECT_EQ(0, worker.IsSuspended());
    EXPECT_EQ(1u, worker.Resume());  // already running: calls nothing
    // Ended before the object goes: the thread's virtual calls must not meet the destructor.
    ASSERT_TRUE(eventually([&] { return worker.IsTerminated() == 1; }));
    EXPECT_EQ(1, worker.pre.load());
    EXPECT_EQ(1, worker.executed.load());
}

TEST(ZnThread, SuspendStopsARunningThread) {
    Worker worker;
    worker.loop = true;
    ASSERT_EQ(1u, worker.Create(0));
    ASSERT_EQ(1u, worker.Resume());
    ASSERT_TRUE(eventually([&] { return worker.ticks.load() > 3; }));
    EXPECT_EQ(1u, worker.Suspend());
    EXPECT_EQ(1, worker.IsSuspended());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the suspension is asynchronous
    const int parkedAt = worker.ticks.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(parkedAt, worker.ticks.load());
    EXPECT_EQ(1u, worker.Resume());
    EXPECT_TRUE(eventually([&] { return worker.ticks.load() > parkedAt + 3; }));
    EXPECT_EQ(1u, worker.Suspend());
    EXPECT_EQ(1u, worker.Terminate());  // resumes it and asks it to stop
    EXPECT_EQ(0, worker.IsSuspended());
    EXPECT_TRUE(eventually([&] { return worker.IsTerminated() == 1; }));
}

TEST(ZnThread, AutoDeleteObjectDeletesItselfOnItsThread) {
    auto* worker = new SelfDeleting;
    ASSERT_EQ(1u, worker->Create(1));
    ASSERT_EQ(1u, worker->Resume());
    ASSERT_TRUE(eventually([] { return selfDeleted.load() == 1; }));
    EXPECT_TRUE(deletedOnOwnThread.load());
}

// An owner that sees IsTerminated() may delete the object at once: the base
// PostExecute must not read the object after it has published the end. The
// thread lingers after it (touching only a global) so that the owner's delete
// comes first; ThreadSanitizer then reports any late read of the object.
std::atomic<bool> ownerDeleted{false};

class Lingering : public ZnThread {
protected:
    void PostExecute() override {
        ZnThread::PostExecute();
        while (!ownerDeleted.load()) std::this_thread::yield();
    }
};

TEST(ZnThread, OwnerMayDeleteAsSoonAsTerminatedIsSeen) {
    for (int round = 0; round < 5; ++round) {
        ownerDeleted = false;
        auto* worker = new Lingering;
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
        auto* worker = new Worker;
        worker->loop = started;
        ASSERT_EQ(1u, worker->Create(0));
        if (started) {
            ASSERT_EQ(1u, worker->Resume());
            ASSERT_TRUE(eventually([&] { return worker->ticks.load() > 0; }));
        }
        const auto start = std::chrono::steady_clock::now();
        delete worker;
        EXPECT_LT(millisecondsSince(start), 1000) << started;
    }
}

TEST(ZnThread, LogEventAppendsLines) {
    const std::string path = sync_test::threadLogPath();
    std::remove(path.c_str());
    ZnThread::LogEvent("abc");
    EXPECT_EQ("abc\r\n", util_test::readFile(path));
    ZnThread::LogEvent("de f");
    ZnThread::LogEvent(nullptr);
    EXPECT_EQ("abc\r\nde f\r\n\r\n", util_test::readFile(path));
    std::remove(path.c_str());
}
