// The agent's one-time set-up: which steps run again after each kind of failure,
// and that concurrent first calls set it up exactly once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
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
    bool socketsWork = true, loadWorks = true, initialiseWorks = true;
    bool slow = false;

    bool startSockets() override {
        ++sockets;
        pause();
        return socketsWork;
    }
    bool loadAgent() override {
        ++loads;
        pause();
        return loadWorks;
    }
    bool initialiseAgent() override {
        ++initialisations;
        pause();
        return initialiseWorks;
    }

private:
    void pause() {
        if (slow) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
};

TEST(AgentStartup, ReadyAfterOneSetUpWithoutCallingTheLoaderAgain) {
    CountingLoader loader;
    AgentStartup startup(loader);
    EXPECT_EQ(1, startup.run());
    EXPECT_EQ(1, startup.run());
    EXPECT_EQ(1, startup.run());
    EXPECT_EQ(1, loader.sockets);
    EXPECT_EQ(1, loader.loads);
    EXPECT_EQ(1, loader.initialisations);
}

TEST(AgentStartup, MissingAgentRepeatsSocketStartAndLoadEveryTime) {
    CountingLoader loader;
    loader.loadWorks = false;
    AgentStartup startup(loader);
    EXPECT_EQ(0, startup.run());
    EXPECT_EQ(0, startup.run());
    EXPECT_EQ(2, loader.sockets);
    EXPECT_EQ(2, loader.loads);
    EXPECT_EQ(0, loader.initialisations);
    loader.socketsWork = false;
    EXPECT_EQ(0, startup.run());
    EXPECT_EQ(3, loader.sockets);
    EXPECT_EQ(2, loader.loads);  // no load without sockets
    loader.socketsWork = loader.loadWorks = true;
    EXPECT_EQ(1, startup.run());
    EXPECT_EQ(1, loader.initialisations);
}

TEST(AgentStartup, FailedInitialisationIsRetriedOnTheLoadedAgentAndNeverReportedReady) {
    CountingLoader loader;
    loader.initialiseWorks = false;
    AgentStartup startup(loader);
    EXPECT_EQ(0, startup.run());
    EXPECT_EQ(0, startup.run());
    EXPECT_EQ(1, loader.sockets);
    EXPECT_EQ(1, loader.loads);
    EXPECT_EQ(2, loader.initialisations);
    loader.initialiseWorks = true;
    EXPECT_EQ(1, startup.run());
    EXPECT_EQ(1, startup.run());
    EXPECT_EQ(1, loader.sockets);
    EXPECT_EQ(1, loader.loads);
    EXPECT_EQ(3, loader.initialisations);
}

TEST(AgentStartup, ConcurrentFirstCallsSetUpOnce) {
    CountingLoader loader;
    loader.slow = true;
    AgentStartup startup(loader);
    const int kThreads = 8;
    std::mutex gateLock;
    std::condition_variable gate;
    bool open = false;
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&] {
            {
                std::unique_lock<std::mutex> lock(gateLock);
                gate.wait(lock, [&] { return open; });
            }
            ready += startup.run();
        });
    }
    {
        std::lock_guard<std::mutex> lock(gateLock);
        open = true;
    }
    gate.notify_all();
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(kThreads, ready);
    EXPECT_EQ(1, loader.sockets);
    EXPECT_EQ(1, loader.loads);
    EXPECT_EQ(1, loader.initialisations);
}

}  // namespace
}  // namespace netinfo_test
