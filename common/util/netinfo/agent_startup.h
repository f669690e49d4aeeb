// The one-time set-up of an extension agent, kept apart from the platform calls
// so that its rules run the same with the real agent and with a stand-in.
//
// Rules: the first call starts the sockets, loads the agent and initialises it.
// A failed socket start or load leaves nothing set, so the next call starts over.
// A failed initialisation keeps the agent loaded; the next call initialises it
// again (without starting sockets or loading it again). Once an initialisation
// has succeeded, every call reports ready without calling the loader. Concurrent
// calls are serialised, so each step runs once at a time.
#ifndef UTIL_NETINFO_AGENT_STARTUP_H
#define UTIL_NETINFO_AGENT_STARTUP_H

#include <atomic>
#include <mutex>

namespace util {
namespace netinfo {

/// The platform's steps of setting an agent up.
class AgentLoader {
public:
    virtual ~AgentLoader() = default;
    /// Starts the socket layer. False on failure.
    virtual bool startSockets() = 0;
    /// Loads the agent and resolves its entry points. On failure nothing stays loaded.
    virtual bool loadAgent() = 0;
    /// Initialises the loaded agent. False when the agent reports failure.
    virtual bool initialiseAgent() = 0;
};

class AgentStartup {
public:
    explicit AgentStartup(AgentLoader& loader) : loader_(loader) {}
    AgentStartup(const AgentStartup&) = delete;
    AgentStartup& operator=(const AgentStartup&) = delete;

    /// Sets the agent up if it is not ready yet. Returns 1 when ready, else 0.
    int run();

private:
    AgentLoader& loader_;
    std::mutex lock_;
    std::atomic<bool> ready_{false};
    bool loaded_ = false;  // guarded by lock_
};

}  // namespace netinfo
}  // namespace util

#endif
