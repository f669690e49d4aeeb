// The harness on Windows: Winsock, and hidden top-level windows for FindWindowA,
// which needs no X server: nothing to start, stall or kill.
#include "trace/trace_harness.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/win_include.h"
#include "trace/viewer_script.h"

using socklen_t = int;
using Native = SOCKET;
#define closesocket_ closesocket

namespace trace_test {

#include "trace/loopback_sockets.inc"

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

bool startedProgramHolds(std::uintptr_t socket) {
    // A program started with inherited handles receives exactly those marked inheritable.
    DWORD flags = 0;
    return GetHandleInformation(reinterpret_cast<HANDLE>(socket), &flags) && (flags & HANDLE_FLAG_INHERIT) != 0;
}

int runInForkedChild(const std::function<void()>&) { return -1; }
std::string startDisposableDisplay() { return std::string(); }
void killDisposableDisplay() {}
std::string stalledDisplay() { return std::string(); }

std::string resourceViewerScript() {
    HMODULE library = GetModuleHandleA("util.dll");
    HRSRC resource = library != nullptr ? FindResourceA(library, "VIEWER_SCRIPT", "TEXT") : nullptr;
    HGLOBAL loaded = resource != nullptr ? LoadResource(library, resource) : nullptr;
    return loaded != nullptr
               ? std::string(static_cast<const char*>(LockResource(loaded)), SizeofResource(library, resource))
               : std::string();
}

}  // namespace trace_test
