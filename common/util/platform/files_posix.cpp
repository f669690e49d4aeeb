#include "platform/files.h"
#include "platform/files_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace util {
namespace platform {

const char kPathSeparator = '/';

bool executableFullPath(char* buffer, std::size_t size, std::size_t* nameOffset) {
    buffer[0] = '\0';
    if (size < 2) {
        return false;
    }
    const ssize_t length = readlink("/proc/self/exe", buffer, size - 1);
    if (length <= 0 || static_cast<std::size_t>(length) >= size - 1) {
        buffer[0] = '\0';  // failed, or possibly cut: never use a cut path
        return false;
    }
    buffer[length] = '\0';
    const char* lastSlash = std::strrchr(buffer, '/');
    *nameOffset = lastSlash == nullptr ? 0 : static_cast<std::size_t>(lastSlash - buffer) + 1;
    return true;
}

void makeDirectory(const char* path) { mkdir(path, 0777); }

bool isAbsoluteLogName(const char* name) { return name[0] == '/'; }

int openForAppend(const char* path) { return open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666); }

long long openFileSize(int descriptor) {
    struct stat info;
    if (fstat(descriptor, &info) != 0) {
        return -1;
    }
    return info.st_size;
}

bool writeToFile(int descriptor, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = write(descriptor, data, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

void closeFile(int descriptor) { close(descriptor); }

int openRegularFile(const char* path, int flags, unsigned mode) {
    // O_NONBLOCK keeps a planted FIFO from blocking the open; the descriptor is
    // set back to blocking once it is known to be a regular file.
    const int descriptor = open(path, flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, static_cast<mode_t>(mode));
    if (descriptor < 0) {
        return -1;
    }
    struct stat info;
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(descriptor);
        return -1;
    }
    fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return descriptor;
}

int openAppendNoFollow(const char* path, unsigned mode) {
    return openRegularFile(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW, mode);
}

}  // namespace platform
}  // namespace util
