// Helpers for the synchronisation tests: a SharedObject that records its hooks
// and destruction, one ZnThread for every thread test, and polling with a deadline.
#ifndef UTIL_TESTS_SYNC_SYNC_TEST_SUPPORT_H
#define UTIL_TESTS_SYNC_SYNC_TEST_SUPPORT_H

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "support/test_support.h"
#include "sync/shared_object.h"
#include "sync/zn_thread.h"

namespace sync_test {

struct Calls {
    std::atomic<int> pre{0}, post{0}, destroyed{0};
    std::mutex mutex;
    std::thread::id preThread, destroyThread;
};

class Tracked : public SharedObject {
public:
    explicit Tracked(Calls& calls, const char* name = "Unknown") : SharedObject(name), calls_(calls) {}
    ~Tracked() override {
        note(calls_.destroyThread);
        ++calls_.destroyed;  // last: a test may drop `calls` once it sees this
    }
    std::function<void()> onPreShutdown;

protected:
    void PreShutdown() override {
        note(calls_.preThread);
        ++calls_.pre;
        if (onPreShutdown) onPreShutdown();
    }
    void PostShutdown() override { ++calls_.post; }

private:
    void note(std::thread::id& slot) {
        std::lock_guard<std::mutex> hold(calls_.mutex);
        slot = std::this_thread::get_id();
    }
    Calls& calls_;
};

// Execute, by mode: the base version; a loop until asked to stop; a
// self-suspension, then 5; a loop that ignores the request; a wait in a
// noexcept destructor that never returns. The base destructor may stop the
// thread after this class's part is gone, so the loops touch the object only
// through pointers taken before they start. With linger, PostExecute waits
// for `released` after the base version, touching nothing of the object.
class Worker : public ZnThread {
public:
    enum Mode { kBase, kPolite, kSuspendSelf, kStubborn, kStuckInDestructor };
    explicit Worker(Mode mode = kBase, const std::atomic<bool>* linger = nullptr) : mode(mode), linger(linger) {}
    ~Worker() override { deletedOnItsThread = ran.load() == std::this_thread::get_id() ? 1 : -1; }
    const Mode mode;
    const std::atomic<bool>* const linger;
    std::atomic<int> pre{0}, executed{0}, ticks{0};
    std::atomic<unsigned long> baseResult{0};
    std::atomic<std::thread::id> ran{};
    static std::atomic<int> deletedOnItsThread;  // 1: on the worker's own thread, -1: elsewhere
    static std::atomic<int> stubbornTicks;       // the stubborn loop's ticks: it outlives the object

protected:
    struct Stuck {
        ~Stuck() {
            for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    };
    void PreExecute() override { ++pre; }
    unsigned long Execute() override {
        ran = std::this_thread::get_id();
        if (mode == kStuckInDestructor) {
            Stuck stuck;
            ++executed;
            return 0;
        }
        ++executed;
        if (mode == kBase) return baseResult = ZnThread::Execute();
        if (mode == kSuspendSelf) {
            Suspend();
            ++ticks;
            return 5;
        }
        const int* stop = mode == kPolite ? &bTerminate : nullptr;
        std::atomic<int>* tickCount = mode == kPolite ? &ticks : &stubbornTicks;
        while (stop == nullptr || __atomic_load_n(stop, __ATOMIC_SEQ_CST) == 0) {
            ++*tickCount;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return 7;
    }
    void PostExecute() override {
        const std::atomic<bool>* wait = linger;  // read before the end is published
        ZnThread::PostExecute();
        while (wait != nullptr && !wait->load()) std::this_thread::yield();
    }
};
inline std::atomic<int> Worker::deletedOnItsThread{0};
inline std::atomic<int> Worker::stubbornTicks{0};

using util_test::eventually;
using util_test::millisecondsSince;

}  // namespace sync_test

#endif
