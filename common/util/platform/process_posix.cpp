#include "platform/process.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

namespace util {
namespace platform {

namespace {

// Both ids are cached: each is a system call, and a log record needs both.
// A fork gives the child a new process id and its one thread a new thread id,
// so the child's fork handler forgets them.
std::atomic<unsigned long> cachedProcessId{0};
thread_local unsigned long cachedThreadId = 0;

void forgetIdsInChild() {
    cachedProcessId.store(0, std::memory_order_relaxed);
    cachedThreadId = 0;
}

const int forkHandlerRegistered = pthread_atfork(nullptr, nullptr, &forgetIdsInChild);

}  // namespace

unsigned long currentProcessId() {
    unsigned long id = cachedProcessId.load(std::memory_order_relaxed);
    if (id == 0) {
        id = static_cast<unsigned long>(getpid());
        cachedProcessId.store(id, std::memory_order_relaxed);
    }
    return id;
}

unsigned long currentThreadId() {
    if (cachedThreadId == 0) {
        cachedThreadId = static_cast<unsigned long>(syscall(SYS_gettid));
    }
    return cachedThreadId;
}

}  // namespace platform
}  // namespace util
