// Stand-ins for the viewer: loopback sockets, windows with a given title, and
// (POSIX) a private Xvfb with the look-ups and clicks that drive the real viewer.
#ifndef UTIL_TESTS_TRACE_TRACE_HARNESS_H
#define UTIL_TESTS_TRACE_TRACE_HARNESS_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace trace_test {

using Socket = std::intptr_t;
constexpr Socket kNoSocket = -1;

/// Windows: WSAStartup (the tracer expects the process to have done it). Then the
/// display: POSIX starts Xvfb (-displayfd, -terminate) and sets DISPLAY.
bool startNetworkAndDisplay(int width, int height);
void stopDisplay();

/// A listening socket on 127.0.0.1 at a free port, written to *port.
Socket listenOnLoopback(unsigned short* port);
Socket connectToLoopback(unsigned short port);
bool sendAll(Socket socket, const std::string& bytes);
void closeSocket(Socket socket);
/// The index in `sockets` of one that is readable within `milliseconds`, or -1;
/// kNoSocket entries are passed over.
int waitReadable(const std::vector<Socket>& sockets, int milliseconds);
Socket acceptConnection(Socket listener);
/// Bytes read (> 0), 0 at the end of the stream, < 0 on error.
long receiveSome(Socket socket, char* buffer, std::size_t size);

/// Runs body on a fresh thread while accepting every connection to listener (closing
/// each at once when closeOnAccept); once body ended, `lines` line feeds arrived (or
/// 5 s passed) and 100 ms stayed quiet, returns each connection's bytes in accept order.
/// *ended, when given, receives the number of connections whose peer closed them.
std::vector<std::string> collect(Socket listener, const std::function<void()>& body, std::size_t lines,
                                 bool closeOnAccept = false, std::size_t* ended = nullptr);

/// The descriptors (POSIX) or handles (Windows) the process holds now; -1 where
/// the system does not tell.
long openHandleCount();
/// Whether a program started now by this process would hold the socket: POSIX
/// starts one and looks at its descriptors; Windows reads the handle's inherit flag.
bool startedProgramHolds(std::uintptr_t socket);
/// Forks a child that runs body and exits 0; returns its exit status, -2 when it
/// did not end within timeoutMs (it is killed), -1 where there is no fork (Windows).
int runInForkedChild(const std::function<void()>& body, int timeoutMs);

/// POSIX: a private Xvfb of its own with `windows` titled top-level windows, which
/// kill() ends at once (SIGKILL), as an X server that goes away. start() is false
/// where there is none (Windows).
struct DisposableDisplay {
    bool start(int windows);
    void kill();
    ~DisposableDisplay();
    std::string name;  // its DISPLAY value
    int serverPid = 0, clientPid = 0;
    void* serverOutput = nullptr;
};

/// POSIX: a display "127.0.0.1:N" on the loopback interface whose port accepts no
/// connection: its listen queue is full, so a connect stalls as to an unreachable
/// host. start() is false where there is none (Windows).
struct StalledDisplay {
    bool start();
    ~StalledDisplay();
    std::string name;
    std::vector<Socket> sockets;  // the listener, then the connections filling its queue
};

/// Sets DISPLAY (POSIX) and returns its previous value; does nothing on Windows.
std::string setDisplayVariable(const std::string& value);

/// Windows: util.dll's "VIEWER_SCRIPT" text resource ("" when it is missing).
/// POSIX libraries carry no resources: there it is viewer_script itself.
std::string resourceViewerScript();

/// A top-level window titled `title` for as long as the object lives.
struct TitledWindow {
    explicit TitledWindow(const std::string& title);
    ~TitledWindow();
    std::uintptr_t window;
};

namespace x11 {  // POSIX only
struct Geometry { int x, y, width, height; };
/// Top-level windows whose WM_NAME starts with prefix.
std::vector<unsigned long> windowsTitled(const std::string& prefix);
std::string titleOf(unsigned long window);
Geometry geometryOf(unsigned long window);
/// Whether the window is mapped (and so are its ancestors): Tk titles a top-level
/// window before it gives it its size and place and maps it, so until then its
/// geometry is not the one it is shown with.
bool isViewable(unsigned long window);
void raiseWindow(unsigned long window);
void moveWindow(unsigned long window, int x, int y);
/// Moves the pointer to (x, y) and clicks button 1 there (XTEST).
void clickAt(int x, int y);
}  // namespace x11

}  // namespace trace_test

#endif
