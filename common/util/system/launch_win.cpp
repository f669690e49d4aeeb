// Windows program start (CreateProcessA) and shell open (ShellExecuteA).
#include <direct.h>

#include <cstdlib>
#include <cstring>

#include "platform/win_include.h"
#include "system/system_platform.h"

#include <shellapi.h>

namespace util {

namespace {

const int kDirectorySize = 260;
static_assert(sizeof(void*) != 4 || sizeof(STARTUPINFOA) == 68, "the start-up record of 32-bit Windows");

}  // namespace

bool startProgram(const char* commandLine, const char* directory, int show, int wait, long* errorCode) {
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show == 1 ? SW_SHOW : SW_HIDE;

    char currentDirectory[kDirectorySize];
    if (directory == nullptr) {
        // Null when the current directory does not fit: CreateProcessA then uses it anyway.
        directory = _getcwd(currentDirectory, kDirectorySize);
    }
    // CreateProcessA takes a writable command line. A malloc'd copy: nothing
    // here may throw across the library's interface.
    char* line = nullptr;
    if (commandLine != nullptr) {
        const std::size_t size = std::strlen(commandLine) + 1;
        line = static_cast<char*>(std::malloc(size));
        if (line == nullptr) {
            *errorCode = ERROR_NOT_ENOUGH_MEMORY;
            return false;
        }
        std::memcpy(line, commandLine, size);
    }
    PROCESS_INFORMATION process{};
    const BOOL created = CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, directory,
                                        &startup, &process);
    const DWORD error = GetLastError();
    std::free(line);
    if (created != 1) {
        *errorCode = static_cast<long>(error);
        return false;
    }
    if (wait == 1) {
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

int openWithSystemHandler(const char* target) {
    const HINSTANCE result = ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOWNORMAL);
    return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

}  // namespace util
