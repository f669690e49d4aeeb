#include "platform/files.h"

#include <direct.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstring>

#include "platform/win_include.h"

namespace util {
namespace platform {

const char kPathSeparator = '\\';

bool executableFullPath(char* buffer, std::size_t size, std::size_t* nameOffset) {
    buffer[0] = '\0';
    char moduleName[MAX_PATH];
    const DWORD length = GetModuleFileNameA(GetModuleHandleA(nullptr), moduleName, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    char* filePart = nullptr;
    const DWORD fullLength = GetFullPathNameA(moduleName, static_cast<DWORD>(size), buffer, &filePart);
    if (fullLength == 0 || fullLength >= size || filePart == nullptr) {
        buffer[0] = '\0';
        return false;
    }
    *nameOffset = static_cast<std::size_t>(filePart - buffer);
    return true;
}

void makeDirectory(const char* path) { _mkdir(path); }

bool isAbsoluteLogName(const char* name) {
    return name[0] != '\0' && name[1] == ':' && name[2] == '\\';
}

std::FILE* openForAppend(const char* path) { return std::fopen(path, "at"); }

long long openFileSize(std::FILE* file) {
    struct _stat info;
    if (_fstat(_fileno(file), &info) != 0) {
        return -1;
    }
    return info.st_size;
}

}  // namespace platform
}  // namespace util
