// ZnThread::LogEvent on POSIX: /tmp/ThrdLog.txt, opened for appending without
// following a symbolic link (nor blocking on a FIFO), one open / write / close per line.
#include <cstring>

#include "platform/files.h"
#include "platform/files_posix.h"
#include "sync/zn_thread.h"

void ZnThread::LogEvent(const char* text) {
    const int descriptor = util::platform::openAppendNoFollow("/tmp/ThrdLog.txt", 0600);
    if (descriptor < 0) {
        return;
    }
    if (text != nullptr) {
        util::platform::writeToFile(descriptor, text, std::strlen(text));
    }
    util::platform::writeToFile(descriptor, "\r\n", 2);
    util::platform::closeFile(descriptor);
}
