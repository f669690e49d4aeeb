#include "platform/files.h"

#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <cstdlib>
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

bool isAbsoluteLogName(const char* name) { return name[0] != '\0' && name[1] == ':' && name[2] == '\\'; }

int openForAppend(const char* path) {
    // Append data only (no write data): the system places every write at the
    // end of the file as one step, also between processes. The C runtime's
    // _O_APPEND would seek first and write second. Read data only so that the
    // write can also be fenced with a byte-range lock (see writeToFile).
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return -1;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_APPEND | _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(file);
    }
    return descriptor;
}

long long openFileSize(int descriptor) {
    struct _stat64 info;
    if (_fstat64(descriptor, &info) != 0) {
        return -1;
    }
    return info.st_size;
}

namespace {

// One byte far past any real end of file: the lock that fences appends. No
// read or write ever reaches it, so holding it blocks nobody but other appenders.
const DWORD kFenceLow = 0xFFFFFFFEu;
const DWORD kFenceHigh = 0x7FFFFFFFu;

// Where the system's append is not one step between processes (Wine finds the
// end and writes in two), the fence makes it one. Returns whether it is held.
bool lockFence(HANDLE file) {
    OVERLAPPED where{};
    where.Offset = kFenceLow;
    where.OffsetHigh = kFenceHigh;
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &where) != 0;
}

void unlockFence(HANDLE file) {
    OVERLAPPED where{};
    where.Offset = kFenceLow;
    where.OffsetHigh = kFenceHigh;
    UnlockFileEx(file, 0, 1, 0, &where);
}

bool writeUnfenced(HANDLE file, const char* data, std::size_t size) {
    while (size > 0) {
        const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool writeHandle(HANDLE file, const char* data, std::size_t size) {
    const bool fenced = lockFence(file);  // without it (a file system without locks) the append alone
    const bool written = writeUnfenced(file, data, size);
    if (fenced) {
        unlockFence(file);
    }
    return written;
}

}  // namespace

bool writeToFile(int descriptor, const char* data, std::size_t size) {
    HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    // Text mode done here rather than by the C runtime, which would write a
    // long text in several pieces: each "\n" becomes CR LF, then one write.
    std::size_t lineFeeds = 0;
    for (std::size_t index = 0; index < size; ++index) {
        lineFeeds += data[index] == '\n' ? 1 : 0;
    }
    if (lineFeeds == 0) {
        return writeHandle(file, data, size);
    }
    char* translated =
        size <= static_cast<std::size_t>(-1) - lineFeeds ? static_cast<char*>(std::malloc(size + lineFeeds)) : nullptr;
    if (translated == nullptr) {
        // Short of memory: translate and write through a small buffer.
        char piece[512];
        std::size_t used = 0;
        for (std::size_t index = 0; index < size; ++index) {
            if (used + 2 > sizeof piece) {
                if (!writeHandle(file, piece, used)) {
                    return false;
                }
                used = 0;
            }
            if (data[index] == '\n') {
                piece[used++] = '\r';
            }
            piece[used++] = data[index];
        }
        return writeHandle(file, piece, used);
    }
    std::size_t used = 0;
    for (std::size_t index = 0; index < size; ++index) {
        if (data[index] == '\n') {
            translated[used++] = '\r';
        }
        translated[used++] = data[index];
    }
    const bool written = writeHandle(file, translated, used);
    std::free(translated);
    return written;
}

void closeFile(int descriptor) { _close(descriptor); }

}  // namespace platform
}  // namespace util
