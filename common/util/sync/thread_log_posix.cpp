// ZnThread::LogEvent on POSIX: /tmp/ThrdLog.txt, opened for appending without
// following a symbolic link, one open / write / close per line.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sync/zn_thread.h"

namespace {

void writeAll(int descriptor, const char* bytes, size_t length) {
    while (length > 0) {
        const ssize_t written = write(descriptor, bytes, length);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        bytes += written;
        length -= static_cast<size_t>(written);
    }
}

}  // namespace

void ZnThread::LogEvent(const char* text) {
    const int descriptor =
        open("/tmp/ThrdLog.txt", O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        return;
    }
    if (text != nullptr) {
        writeAll(descriptor, text, std::strlen(text));
    }
    writeAll(descriptor, "\r\n", 2);
    close(descriptor);
}
