// The agent's one-time set-up: which steps run again after each kind of failure,
// and that concurrent first calls set it up exactly once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "netinfo/agent_startup.h"

namespace netinfo_test {
namespace {

using util::netinfo::AgentLoader;
using util::netinfo::AgentStartup;

class CountingLoader : public AgentLoader {
public:
    std::atomic<int> sockets{0}, loads{0}, initialisations{0};
    bool socketsWork = true, loadWorks = true, initialiseWorks = true, slow = false;

    bool startSockets() override { return step(sockets, socketsWork); }
    bool loadAgent() override { return step(loads, loadWorks); }
    bool initialiseAgent() override { return step(initialisations, initialiseWorks); }

private:
    bool step(std::atomic<int>& count, bool works) {
        ++count;
        if (slow) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return works;
    }
};

TEST(AgentStartup, RetriesExactlyTheStepsThatFailed) {
    struct Call {
        bool sockets, load, initialise;
        int ready, socketCalls, loadCalls, initialiseCalls;  // afterwards, counted from the start
    };
    const std::vector<std::vector<Call>> scenarios = {
        // No agent: sockets and load again on every call; no load without sockets.
        {{1, 0, 1, 0, 1, 1, 0}, {1, 0, 1, 0, 2, 2, 0}, {0, 1, 1, 0, 3, 2, 0}, {1, 1, 1, 1, 4, 3, 1}},
        // A failed initialisation is retried on the loaded agent; once ready, the loader rests.
        {{1, 1, 0, 0, 1, 1, 1}, {1, 1, 0, 0, 1, 1, 2}, {1, 1, 1, 1, 1, 1, 3}, {1, 1, 1, 1, 1, 1, 3}},
    };
    for (std::size_t scenario = 0; scenario < scenarios.size(); ++scenario) {
        CountingLoader loader;
        AgentStartup startup(loader);
        for (std::size_t call = 0; call < scenarios[scenario].size(); ++call) {
            const Call& expected = scenarios[scenario][call];
            loader.socketsWork = expected.sockets;
            loader.loadWorks = expected.load;
            loader.initialiseWorks = expected.initialise;
            EXPECT_EQ(expected.ready, startup.run()) << scenario << "/" << call;
            EXPECT_EQ(expected.socketCalls, loader.sockets) << scenario << "/" << call;
            EXPECT_EQ(expected.loadCalls, loader.loads) << scenario << "/" << call;
            EXPECT_EQ(expected.initialiseCalls, loader.initialisations) << scenario << "/" << call;
        }
    }
}

TEST(AgentStartup, ConcurrentFirstCallsSetUpOnce) {
    CountingLoader loader;
    loader.slow = true;
    AgentStartup startup(loader);
    const int kThreads = 8;
    std::atomic<bool> go{false};
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&] {
            while (!go) std::this_thread::yield();
            ready += startup.run();
        });
    }
    go = true;
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(kThreads, ready);
    EXPECT_EQ(1, loader.sockets);
    EXPECT_EQ(1, loader.loads);
    EXPECT_EQ(1, loader.initialisations);
}

}  // namespace
}  // namespace netinfo_test
