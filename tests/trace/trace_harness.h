// Stand-ins for the viewer: loopback sockets, windows with a given title, and
// (POSIX) private X servers.
#ifndef UTIL_TESTS_TRACE_TRACE_HARNESS_H
#define UTIL_TESTS_TRACE_TRACE_HARNESS_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace trace_test {

using Socket = std::intptr_t;
constexpr Socket kNoSocket = -1;

/// Windows: WSAStartup. POSIX: a private Xvfb (DISPLAY points at it) and a connection to it.
bool startNetworkAndDisplay();
void stopDisplay();
/// A listening socket on 127.0.0.1 at a free port, written to *port.
Socket listenOnLoopback(unsigned short* port);
void closeSocket(Socket socket);
/// Runs body on a thread of its own while accepting (closeOnAccept: and closing) connections to listener; once
/// body ended, `lines` line feeds arrived (or 5 s passed) and 100 ms passed quietly, each connection's bytes.
std::vector<std::string> collect(Socket listener, const std::function<void()>& body, std::size_t lines,
                                 bool closeOnAccept = false);
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

/// POSIX: a private Xvfb with 300 windows of another process and its DISPLAY value ("" on Windows); kill: SIGKILL.
std::string startDisposableDisplay();
void killDisposableDisplay();
/// POSIX: a display "127.0.0.1:N" whose listen queue stays full, so connects stall ("" on Windows).
std::string stalledDisplay();

}  // namespace trace_test

#endif
