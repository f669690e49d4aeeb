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
/// Runs body on a fresh thread while accepting every connection to listener (closing
/// each at once when closeOnAccept); once body ended, `lines` line feeds arrived (or
/// 5 s passed) and 100 ms stayed quiet, returns each connection's bytes in accept order.
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

/// POSIX: a private Xvfb with 300 titled windows of another process, and its DISPLAY
/// value, or "" (always on Windows); the kill ends that server at once (SIGKILL).
std::string startDisposableDisplay();
void killDisposableDisplay();
/// POSIX: a display "127.0.0.1:N" whose port never accepts (its listen queue stays
/// full while the process lives), so a connect stalls as to an unreachable host. "" on Windows.
std::string stalledDisplay();

}  // namespace trace_test

#endif
