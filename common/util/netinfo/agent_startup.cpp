// One-time agent set-up under a lock, with retry rules for each failing step.
#include "netinfo/agent_startup.h"

namespace util {
namespace netinfo {

int AgentStartup::run() {
    if (ready_.load(std::memory_order_acquire)) {
        return 1;
    }
    std::lock_guard<std::mutex> guard(lock_);
    if (ready_.load(std::memory_order_relaxed)) {
        return 1;
    }
    if (!loaded_) {
        if (!loader_.startSockets() || !loader_.loadAgent()) {
            return 0;
        }
        loaded_ = true;
    }
    if (!loader_.initialiseAgent()) {
        return 0;
    }
    ready_.store(true, std::memory_order_release);
    return 1;
}

}  // namespace netinfo
}  // namespace util
