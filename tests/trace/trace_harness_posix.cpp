// The harness on POSIX: BSD sockets, private Xvfb servers, windows made through
// libX11 (loaded at run time), and wish for the windows of a server that is killed.
#include "trace/trace_harness.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "support/child_posix.h"
#include "support/test_support.h"
#include "trace/viewer_script.h"

using Native = int;
#define closesocket_ close

namespace trace_test {

#include "trace/loopback_sockets.inc"

namespace {

// libX11 is loaded at run time, as the library loads libxcb.
template <typename Function>
Function* x(const char* name) {
    static void* xlib = dlopen("libX11.so.6", RTLD_NOW);
    return reinterpret_cast<Function*>(xlib != nullptr ? dlsym(xlib, name) : nullptr);
}
using Window = unsigned long;
void* display = nullptr;  // one connection, used by one thread at a time
FILE* xvfb = nullptr;
FILE* disposable[2] = {};  // the disposable display's Xvfb and wish
int disposablePid = 0;

// Xvfb on a free display (-displayfd), its pid first; the DISPLAY value, or "" when it
// did not start. A shell watches the pipe: once this process stops reading, it ends the server.
std::string startXvfb(const std::string& size, FILE** output, int* pid) {
    const std::string shell = "exec 2>/dev/null; trap '' PIPE; Xvfb -displayfd 1 -nolisten tcp -screen 0 " + size +
                              "x24 & echo $!; while sleep 1 && echo; do :; done; kill $!";
    *output = popen(shell.c_str(), "r");
    char number[32] = {};
    return *output != nullptr && std::fscanf(*output, "%d %31s", pid, number) == 2 ? std::string(":") + number : "";
}

}  // namespace

bool startNetworkAndDisplay() {
    int pid = 0;
    util_test::setEnvironment("DISPLAY", startXvfb("640x480", &xvfb, &pid).c_str());
    const auto open = x<void*(const char*)>("XOpenDisplay");
    display = open != nullptr ? open(nullptr) : nullptr;
    return display != nullptr;
}

void stopDisplay() {
    x<int(void*)>("XCloseDisplay")(display);
    pclose(xvfb);
}

TitledWindow::TitledWindow(const std::string& title) {
    window = x<Window(void*, Window, int, int, unsigned, unsigned, unsigned, unsigned long, unsigned long)>(
        "XCreateSimpleWindow")(display, x<Window(void*)>("XDefaultRootWindow")(display), 10, 10, 120, 40, 0, 0, 0);
    x<int(void*, Window, const char*)>("XStoreName")(display, window, title.c_str());
    x<int(void*, Window)>("XMapWindow")(display, window);
    x<int(void*, int)>("XSync")(display, 0);
}

TitledWindow::~TitledWindow() {
    x<int(void*, Window)>("XDestroyWindow")(display, window);
    x<int(void*, int)>("XSync")(display, 0);
}

std::string resourceViewerScript() { return viewer_script; }

long openHandleCount() {
    const std::filesystem::directory_iterator descriptors("/proc/self/fd");
    return static_cast<long>(std::distance(begin(descriptors), end(descriptors)));
}

// Close-on-exec is what keeps a descriptor from the programs the process starts.
bool startedProgramHolds(std::uintptr_t socket) {
    const int flags = fcntl(static_cast<int>(socket), F_GETFD);
    return flags >= 0 && (flags & FD_CLOEXEC) == 0;
}

int runInForkedChild(const std::function<void()>& body) {
    return util_test::runInChild([&] {
        body();
        return 0;
    });
}

std::string startDisposableDisplay() {
    const std::string name = startXvfb("320x240", &disposable[0], &disposablePid);
    // The windows belong to wish, a process of its own: Xlib ends its process when
    // the connection breaks with the server. It prints its pid once the server has them all.
    const std::string shell =
        "exec 2>/dev/null; echo 'for {set i 0} {$i < 300} {incr i} {wm title [toplevel .w$i] w$i};"
        " update; puts [pid]; flush stdout' | DISPLAY=" +
        name + " exec wish";
    disposable[1] = popen(shell.c_str(), "r");
    int wish = 0;
    return !name.empty() && disposable[1] != nullptr && std::fscanf(disposable[1], "%d", &wish) == 1 ? name : "";
}

// Called only after startDisposableDisplay succeeded.
void killDisposableDisplay() {
    ::kill(disposablePid, SIGKILL);
    pclose(disposable[0]);
    pclose(disposable[1]);
}

std::string stalledDisplay() {
    static std::vector<Socket> sockets;
    unsigned short port = 0;
    sockets.push_back(listenOnLoopback(&port));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    // Fill its queue; nothing accepts, so later connects wait in vain.
    for (int filler = 0; filler < 20; ++filler) {
        sockets.push_back(static_cast<Socket>(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0)));
        (void)connect(Native(sockets.back()), reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return port > 6000 ? "127.0.0.1:" + std::to_string(port - 6000) : "";
}

}  // namespace trace_test
