// The harness on Windows: Winsock, and hidden windows for FindWindowA, which needs no X server to start or kill.
#include "trace/trace_harness.h"

#include "platform/win_include.h"
#include "trace/viewer_script.h"

using socklen_t = int;
using Native = SOCKET;
#define closesocket_ closesocket

#include "trace/loopback_sockets.inc"

namespace trace_test {

bool startNetworkAndDisplay() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}
void stopDisplay() {}

// A hidden window of a predefined class: FindWindowA finds hidden top-level windows too.
TitledWindow::TitledWindow(const std::string& title)
    : window(reinterpret_cast<std::uintptr_t>(CreateWindowExA(0, "STATIC", title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0,
                                                              100, 100, nullptr, nullptr, nullptr, nullptr))) {}
TitledWindow::~TitledWindow() { DestroyWindow(reinterpret_cast<HWND>(window)); }

long openHandleCount() {
    DWORD count = 0;
    return GetProcessHandleCount(GetCurrentProcess(), &count) ? static_cast<long>(count) : -1;
}

// A program started with inherited handles receives exactly those marked inheritable.
bool startedProgramHolds(std::uintptr_t socket) {
    DWORD flags = 0;
    return GetHandleInformation(reinterpret_cast<HANDLE>(socket), &flags) && (flags & HANDLE_FLAG_INHERIT) != 0;
}

int runInForkedChild(const std::function<void()>&) { return -1; }
void addWindows(int, const std::string&) {}
void killDisplay() {}
std::string stalledDisplay() { return std::string(); }

std::string resourceViewerScript() {
    HMODULE library = GetModuleHandleA("util.dll");
    HRSRC resource = FindResourceA(library, "VIEWER_SCRIPT", "TEXT");
    const char* text =
        resource != nullptr ? static_cast<const char*>(LockResource(LoadResource(library, resource))) : nullptr;
    return text != nullptr ? std::string(text, SizeofResource(library, resource)) : std::string();
}

}  // namespace trace_test
