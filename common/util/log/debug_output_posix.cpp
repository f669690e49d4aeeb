// POSIX debugger sink (system log, or standard error on request) and the side
// log's open without following links.
#include <syslog.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <atomic>
#include <cstring>

#include "log/debug_output.h"
#include "log/log_platform.h"
#include "platform/files_posix.h"
#include "platform/lock.h"

namespace util {

const char* const kSideLogPath = "/tmp/qvd.log";

namespace {

bool standardErrorRequested() {
    const char* choice = std::getenv("UTIL_DEBUG_OUTPUT");
    return choice != nullptr && std::strcmp(choice, "stderr") == 0;
}

// 0 until the first text decides, then 1 (standard error) or 2 (system log).
// An atomic rather than a function-local static, whose start-up guard a child
// forked during the first text would find taken for ever.
std::atomic<int> destination{0};

// Serialises the texts that reach syslog or stderr, and is guarded across fork:
// a child forked while another thread is inside syslog would otherwise find
// the C library's own lock of the system log taken for ever.
platform::Lock* sinkLock() {
    static platform::Lock* const lock = [] {
        platform::Lock* created = platform::createCriticalSection();
        platform::guardAcrossFork(created, platform::kForkOrderDebugOutput);
        return created;
    }();
    return lock;
}
const void* const sinkLockAtLoad = sinkLock();

}  // namespace

void platformDebugOutput(const char* text) {
    int choice = destination.load(std::memory_order_relaxed);
    if (choice == 0) {
        choice = standardErrorRequested() ? 1 : 2;
        destination.store(choice, std::memory_order_relaxed);
    }
    platform::Lock* lock = sinkLock();
    if (lock != nullptr) {
        platform::enterCriticalSection(lock);
    }
    if (choice == 1) {
        std::fputs(text, stderr);
        std::fflush(stderr);
    } else {
        syslog(LOG_USER | LOG_DEBUG, "%s", text);
    }
    if (lock != nullptr) {
        platform::leaveCriticalSection(lock);
    }
}

std::FILE* openSideLog(const char* path) {
    const int descriptor = platform::openAppendNoFollow(path, 0644);
    if (descriptor < 0) {
        return nullptr;
    }
    std::FILE* stream = fdopen(descriptor, "a");
    if (stream == nullptr) {
        close(descriptor);
    }
    return stream;
}

}  // namespace util
