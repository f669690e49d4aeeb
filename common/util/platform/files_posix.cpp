#include "platform/files.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

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

std::FILE* openForAppend(const char* path) { return std::fopen(path, "a"); }

long long openFileSize(std::FILE* file) {
    struct stat info;
    if (fstat(fileno(file), &info) != 0) {
        return -1;
    }
    return info.st_size;
}

}  // namespace platform
}  // namespace util
