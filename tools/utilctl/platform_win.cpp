#include "platform/win_include.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform.h"

namespace utilctl {

const char* platformName() { return sizeof(void*) == 4 ? "Windows (32-bit)" : "Windows (64-bit)"; }

bool runningUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool localAddressTowards(unsigned long ip, unsigned long* localAddress) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 0), &data) != 0) {
        return false;
    }
    bool found = false;
    const SOCKET probe = socket(AF_INET, SOCK_DGRAM, 0);
    if (probe != INVALID_SOCKET) {
        sockaddr_in remote{};
        remote.sin_family = AF_INET;
        remote.sin_port = htons(9);
        remote.sin_addr.s_addr = static_cast<ULONG>(ip);
        sockaddr_in local{};
        int length = sizeof local;
        found = connect(probe, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0 &&
                getsockname(probe, reinterpret_cast<sockaddr*>(&local), &length) == 0;
        if (found) {
            *localAddress = local.sin_addr.s_addr;
        }
        closesocket(probe);
    }
    WSACleanup();
    return found;
}

void setBinaryMode(std::FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

namespace {

std::string systemText(DWORD code) {
    char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                  sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == '.')) {
        --length;
    }
    return length > 0 ? std::string(text, length) : "error " + std::to_string(code);
}

// A new file of a unique name in directory, filled with text; its path, or empty
// with the reason in *error.
std::string writeUniqueFile(const std::string& directory, const ContentWriter& write, std::string* error) {
    char path[MAX_PATH + 1];
    if (GetTempFileNameA(directory.c_str(), "uct", 0, path) == 0) {
        *error = systemText(GetLastError());
        return std::string();
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        *error = std::strerror(errno);
        DeleteFileA(path);
        return std::string();
    }
    errno = 0;
    const bool written = write(file) && std::fflush(file) == 0 && std::ferror(file) == 0;
    if (!written) {
        *error = std::strerror(errno != 0 ? errno : EIO);
    }
    if (std::fclose(file) != 0 || !written) {
        if (written) *error = std::strerror(errno);
        DeleteFileA(path);
        return std::string();
    }
    return std::string(path);
}

// Writes all of contents over the open file from its start and cuts it there.
bool overwrite(HANDLE file, const std::string& contents) {
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        return false;
    }
    std::size_t done = 0;
    while (done < contents.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(contents.size() - done, 1u << 20));
        if (!WriteFile(file, contents.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return SetEndOfFile(file) && FlushFileBuffers(file);
}

bool readWhole(HANDLE file, std::string* contents) {
    contents->clear();
    char chunk[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        contents->append(chunk, got);
    }
}

}  // namespace

std::string writeTemporaryFile(const std::string& text) {
    char directory[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof directory, directory);
    if (length == 0 || length > sizeof directory) {
        return std::string();
    }
    std::string error;
    return writeUniqueFile(
        directory,
        [&text](std::FILE* stream) { return std::fwrite(text.data(), 1, text.size(), stream) == text.size(); }, &error);
}

void removeFile(const std::string& path) { DeleteFileA(path.c_str()); }

bool replaceFile(const std::string& path, const ContentWriter& write, std::string* error) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        *error = "not a regular file";
        return false;
    }
    const std::size_t slash = path.find_last_of("\\/");
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    // The new contents are written out in full first, so a full disk or a
    // failing writer is found before the file itself is touched.
    const std::string temporary = writeUniqueFile(directory, write, error);
    if (temporary.empty()) {
        return false;
    }
    if (!exists) {
        const bool moved = MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
        if (!moved) {
            *error = systemText(GetLastError());
            DeleteFileA(temporary.c_str());
        }
        return moved;
    }
    // An existing file is rewritten in place: it stays the same file, so its
    // permissions, owner, links and attributes stay as they were. Should the
    // write fail, the old contents are put back.
    std::string contents, old;
    const HANDLE fresh = CreateFileA(temporary.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool rendered = fresh != INVALID_HANDLE_VALUE && readWhole(fresh, &contents);
    if (fresh != INVALID_HANDLE_VALUE) {
        CloseHandle(fresh);
    }
    DeleteFileA(temporary.c_str());
    const HANDLE file = rendered ? CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                 : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) {
        *error = systemText(GetLastError());
        return false;
    }
    bool replaced = readWhole(file, &old);
    if (!replaced) {
        *error = systemText(GetLastError());
    } else if (!overwrite(file, contents)) {
        *error = systemText(GetLastError());
        overwrite(file, old);
        replaced = false;
    }
    CloseHandle(file);
    return replaced;
}

const char* missingUrlOpener() { return nullptr; }

}  // namespace utilctl
