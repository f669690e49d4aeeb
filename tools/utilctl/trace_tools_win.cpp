#include "trace_tools.h"

#include <process.h>

#include <cstdio>

#include "platform/win_include.h"

namespace utilctl {

std::string writeTemporaryScript(const std::string& text) {
    char directory[MAX_PATH + 1];
    char path[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof directory, directory);
    if (length == 0 || length > sizeof directory || GetTempFileNameA(directory, "vwr", 0, path) == 0) {
        return std::string();
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        DeleteFileA(path);
        return std::string();
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) {
        DeleteFileA(path);
        return std::string();
    }
    return std::string(path);
}

void removeFile(const std::string& path) { DeleteFileA(path.c_str()); }

namespace {

// _spawnlp joins its arguments into one command line: quote each one.
std::string quoted(const char* text) { return std::string("\"") + text + "\""; }

}  // namespace

int runWish(const std::string& script, const char* app, const char* pid, const char* port) {
    const std::string scriptArgument = quoted(script.c_str());
    const std::string appArgument = quoted(app);
    const intptr_t status = _spawnlp(_P_WAIT, "wish", "wish", scriptArgument.c_str(), appArgument.c_str(), pid,
                                     port, static_cast<char*>(nullptr));
    return status < 0 ? -1 : static_cast<int>(status);
}

bool startNetwork() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

unsigned long currentProcessId() { return GetCurrentProcessId(); }

}  // namespace utilctl
