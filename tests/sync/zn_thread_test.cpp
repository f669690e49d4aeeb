// ZnThread: states, suspension, the destructor's polite stop, who deletes the object, and LogEvent.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "sync/sync_test_support.h"

using sync_test::Worker;
using util_test::eventually;

// Created suspended; it suspends itself, its owner resumes it and suspends it again; deleted while suspended, it is
// resumed and stops within one 20 ms poll (1 s: a loaded machine).
TEST(ZnThread, RunsOnlyWhenResumedAndStopsWhenDeleted) {
    auto* worker = new Worker(Worker::kPolite);
    // No thread yet: every call fails.
    EXPECT_EQ(0u, worker->Resume() + worker->Suspend() + worker->Terminate() + worker->SetPriority(0));
    ASSERT_EQ(1u, worker->Create(0));
    void* handle = worker->GetHandle();
    EXPECT_EQ(0u, worker->Create(0));  // a second Create changes nothing
    EXPECT_TRUE(handle != nullptr && handle == worker->GetHandle() && worker->GetId() != 0);
    EXPECT_EQ(1u, worker->SetPriority(-2));  // priorities take the Win32 values
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(0, worker->pre.load());
    EXPECT_EQ(1u, worker->Suspend());  // already suspended
    EXPECT_EQ(1u, worker->Resume());
    ASSERT_TRUE(eventually([&] { return worker->executed.load() == 1 && worker->IsSuspended() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(1, worker->executed.load());  // parked by its own Suspend
    EXPECT_EQ(1u, worker->Resume());
    EXPECT_EQ(1u, worker->Resume());  // already running: calls nothing
    ASSERT_TRUE(eventually([&] { return Worker::ticks.load() > 3; }));
    EXPECT_EQ(1u, worker->Suspend());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the suspension is asynchronous
    const int parkedAt = Worker::ticks.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(parkedAt, Worker::ticks.load());
    EXPECT_EQ(1, worker->pre.load());
    const auto start = std::chrono::steady_clock::now();
    delete worker;
    EXPECT_LT(util_test::millisecondsSince(start), 1000);
}

// Terminate resumes a self-deleting object, deleted on its own thread: nothing touches it after the resume.
TEST(ZnThread, AutoDeleteObjectDeletesItselfOnItsThread) {
    Worker::deletedOnItsThread = 0;
    auto* worker = new Worker;
    ASSERT_EQ(1u, worker->Create(1));
    EXPECT_EQ(1u, worker->Terminate());
    ASSERT_TRUE(eventually([] { return Worker::deletedOnItsThread.load() != 0; }));
    EXPECT_EQ(1, Worker::deletedOnItsThread.load());
}

// An owner that sees IsTerminated() may delete the object at once: the base PostExecute must not read it after
// publishing the end. The thread lingers so the delete comes first; ThreadSanitizer reports a late read.
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
    EXPECT_EQ(1u, Worker::baseResult.load());  // the base Execute's result
}

TEST(ZnThread, LogEventAppendsLines) {
    const std::string path = util_test::isWindows() ? "C:\\ThrdLog.txt" : "/tmp/ThrdLog.txt";
    std::remove(path.c_str());
    ZnThread::LogEvent("abc");
    ZnThread::LogEvent(nullptr);
    EXPECT_EQ("abc\r\n\r\n", util_test::readFile(path));
    std::remove(path.c_str());
}
