// Helpers for the synchronisation tests: a SharedObject that records its hooks
// and destruction, and polling with a deadline.
#ifndef UTIL_TESTS_SYNC_SYNC_TEST_SUPPORT_H
#define UTIL_TESTS_SYNC_SYNC_TEST_SUPPORT_H

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "support/test_support.h"
#include "sync/shared_object.h"

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

using util_test::eventually;

inline long long millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace sync_test

#endif
