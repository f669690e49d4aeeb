// Stand-ins for the viewer: loopback sockets, windows with a given title, and (POSIX) a private X server.
#ifndef UTIL_TESTS_TRACE_TRACE_HARNESS_H
#define UTIL_TESTS_TRACE_TRACE_HARNESS_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace trace_test {

/// Windows: WSAStartup. POSIX: a private Xvfb, which DISPLAY then names.
bool startNetworkAndDisplay();
void stopDisplay();
/// Runs body on a thread, listening on a free loopback *port; each connection's bytes till its peer closed (or none).
std::vector<std::string> collect(unsigned short* port, bool closeOnAccept, const std::function<void()>& body);
/// The descriptors (POSIX) or handles (Windows) the process holds now.
long openHandleCount();
/// Whether a program started now would inherit the socket.
bool startedProgramHolds(std::uintptr_t socket);
/// POSIX: runInChild of body; -1 on Windows, which has no fork.
int runInForkedChild(const std::function<void()>& body);
/// Windows: util.dll's "VIEWER_SCRIPT" text resource; POSIX: viewer_script itself.
std::string resourceViewerScript();

/// A top-level window titled `title` for as long as the object lives.
struct TitledWindow {
    explicit TitledWindow(const std::string& title);
    ~TitledWindow();
    std::uintptr_t window;
};

/// POSIX (Windows: nothing, ""): once, `count` windows titled `title`; SIGKILL for the X server; a display that stalls
/// connects.
void addWindows(int count, const std::string& title);
void killDisplay();
std::string stalledDisplay();

}  // namespace trace_test

#endif
