// ZnThread::LogEvent on Windows: one CreateFileA / append / CloseHandle per line.
#include <cstring>

#include "platform/win_include.h"
#include "sync/zn_thread.h"

void ZnThread::LogEvent(const char* text) {
    HANDLE file = CreateFileA("C:\\ThrdLog.txt", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    if (text != nullptr) {
        WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
    }
    WriteFile(file, "\r\n", 2, &written, nullptr);
    CloseHandle(file);
}
