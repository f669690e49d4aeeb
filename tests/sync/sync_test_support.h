// Helpers for the sync tests: a SharedObject that counts its hooks and its end, one ZnThread for every test.
#ifndef UTIL_TESTS_SYNC_SYNC_TEST_SUPPORT_H
#define UTIL_TESTS_SYNC_SYNC_TEST_SUPPORT_H

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "support/test_support.h"
#include "sync/shared_object.h"
#include "sync/zn_thread.h"

namespace sync_test {

struct Calls {
    std::atomic<int> pre{0}, post{0}, destroyed{0};
};

class Tracked : public SharedObject {
public:
    explicit Tracked(Calls& calls, const char* name = "Unknown") : SharedObject(name), calls_(calls) {}
    ~Tracked() override { ++calls_.destroyed; }  // last: a test may drop `calls` once it sees this
    std::function<void()> onPreShutdown;

protected:
    void PreShutdown() override {
        ++calls_.pre;
        if (onPreShutdown) onPreShutdown();
    }
    void PostShutdown() override { ++calls_.post; }

private:
    Calls& calls_;
};

// Execute, by mode: the base version; a self-suspension, then a loop until asked to stop; a return through a
// noexcept destructor that loops for ever. The loops may outlive this class's part: they touch only base fields
// and statics. With linger, PostExecute waits for it after the base version, touching nothing of the object.
class Worker : public ZnThread {
public:
    enum Mode { kBase, kPolite, kStuck };
    explicit Worker(Mode mode = kBase, const std::atomic<bool>* linger = nullptr) : mode(mode), linger(linger) {}
    ~Worker() override { deletedOnItsThread = GetId() == util_test::threadId() ? 1 : -1; }
    const Mode mode;
    const std::atomic<bool>* const linger;
    std::atomic<int> pre{0}, executed{0};
    static std::atomic<unsigned long> baseResult;  // of the last base Execute
    static std::atomic<int> deletedOnItsThread;    // 1: on the worker's own thread, -1: elsewhere
    static std::atomic<int> ticks;                 // the loops' ticks: the stuck loop outlives the object

protected:
    struct Stuck {
        ~Stuck() {
            for (;;) tick();
        }
    };
    static void tick() {
        ++ticks;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    void PreExecute() override { ++pre; }
    unsigned long Execute() override {
        ++executed;
        if (mode == kBase) return baseResult = ZnThread::Execute();
        if (mode == kStuck) {
            Stuck stuck;
            return 0;
        }
        Suspend();  // until the owner resumes it
        ++executed;
        while (__atomic_load_n(&bTerminate, __ATOMIC_SEQ_CST) == 0) tick();
        return 7;
    }
    void PostExecute() override {
        const std::atomic<bool>* wait = linger;  // read before the end is published
        ZnThread::PostExecute();
        while (wait != nullptr && !wait->load()) std::this_thread::yield();
    }
};
inline std::atomic<int> Worker::deletedOnItsThread{0};
inline std::atomic<int> Worker::ticks{0};
inline std::atomic<unsigned long> Worker::baseResult{0};

}  // namespace sync_test

#endif
