// POSIX debugger sink (system log, or standard error on request) and the side
// log's open without following links.
#include <fcntl.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "log/debug_output.h"

namespace util {

const char* const kSideLogPath = "/tmp/qvd.log";

namespace {

bool standardErrorRequested() {
    const char* choice = std::getenv("UTIL_DEBUG_OUTPUT");
    return choice != nullptr && std::strcmp(choice, "stderr") == 0;
}

}  // namespace

void platformDebugOutput(const char* text) {
    static const bool toStandardError = standardErrorRequested();
    if (toStandardError) {
        std::fputs(text, stderr);
        std::fflush(stderr);
    } else {
        syslog(LOG_USER | LOG_DEBUG, "%s", text);
    }
}

std::FILE* openSideLog(const char* path) {
    // O_NONBLOCK keeps a planted FIFO from blocking the open; the descriptor is
    // set back to blocking once it is known to be a regular file.
    const int descriptor = open(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        return nullptr;
    }
    struct stat info;
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(descriptor);
        return nullptr;
    }
    fcntl(descriptor, F_SETFL, O_APPEND);
    std::FILE* stream = fdopen(descriptor, "a");
    if (stream == nullptr) {
        close(descriptor);
    }
    return stream;
}

}  // namespace util
