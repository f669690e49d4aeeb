#include "platform/files.h"

#include <direct.h>
#include <fcntl.h>
#include <io.h>
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

int openForAppend(const char* path) {
    return _open(path, _O_WRONLY | _O_APPEND | _O_CREAT | _O_TEXT, _S_IREAD | _S_IWRITE);
}

long long openFileSize(int descriptor) {
    struct _stat64 info;
    if (_fstat64(descriptor, &info) != 0) {
        return -1;
    }
    return info.st_size;
}

bool writeToFile(int descriptor, const char* data, std::size_t size) {
    while (size > 0) {
        const unsigned chunk = size > 0x40000000u ? 0x40000000u : static_cast<unsigned>(size);
        const int written = _write(descriptor, data, chunk);
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

void closeFile(int descriptor) { _close(descriptor); }

}  // namespace platform
}  // namespace util
