// The harness on POSIX: BSD sockets, a private Xvfb, and wish for windows.
#include "trace/trace_harness.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "support/child_posix.h"
#include "support/test_support.h"
#include "trace/viewer_script.h"

using Native = int;
#define closesocket_ close

#include "trace/loopback_sockets.inc"

namespace trace_test {

namespace {

FILE* xvfb = nullptr;
int xvfbPid = 0;

// wish running script, whose first line means the server has its windows; it ends with the reader or the server.
FILE* startWish(const std::string& script) {
    const std::string command = "exec 2>/dev/null; trap '' PIPE; echo '" + script +
                                "; update; winfo pointerx .; proc beat {} {if {[catch {puts {}; flush stdout}]} exit;"
                                " after 100 beat}; beat' | exec wish";
    FILE* wish = popen(command.c_str(), "r");
    char line[4];
    return wish != nullptr && std::fgets(line, sizeof line, wish) != nullptr ? wish : nullptr;
}

}  // namespace

// Xvfb on a free display, its pid first; a shell ends it once this process stops reading the pipe.
bool startNetworkAndDisplay() {
    xvfb = popen(
        "exec 2>/dev/null; trap '' PIPE; Xvfb -displayfd 1 -nolisten tcp -screen 0 640x480x24 & echo $!;"
        " while sleep 1 && echo; do :; done; kill $!",
        "r");
    char number[32] = {};
    if (xvfb == nullptr || std::fscanf(xvfb, "%d %31s", &xvfbPid, number) != 2) return false;
    util_test::setEnvironment("DISPLAY", (std::string(":") + number).c_str());
    return true;
}

void stopDisplay() { pclose(xvfb); }

TitledWindow::TitledWindow(const std::string& title)
    : window(reinterpret_cast<std::uintptr_t>(startWish("wm title . {" + title + "}"))) {}
TitledWindow::~TitledWindow() { pclose(reinterpret_cast<FILE*>(window)); }

// One wish for them all, which ends with the server.
void addWindows(int count, const std::string& title) {
    startWish("for {set i 0} {$i < " + std::to_string(count) + "} {incr i} {wm title [toplevel .w$i] {" + title + "}}");
}

void killDisplay() { ::kill(xvfbPid, SIGKILL); }

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

std::string stalledDisplay() {
    unsigned short port = 0;
    const int listener = listenOnLoopback(&port);  // never accepts
    sockaddr_in address{};
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    // Its queue filled (the descriptors stay open for the rest of the process), later connects wait in vain.
    for (int filler = 0; filler < 20; ++filler) {
        (void)connect(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0), reinterpret_cast<sockaddr*>(&address), length);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return port > 6000 ? "127.0.0.1:" + std::to_string(port - 6000) : "";
}

}  // namespace trace_test
