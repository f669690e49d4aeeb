// The harness on POSIX: BSD sockets, private Xvfb servers, windows made through
// libX11 (loaded at run time), and wish for the windows of a server that is killed.
#include "trace/trace_harness.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "support/child_posix.h"
#include "support/test_support.h"
#include "trace/viewer_script.h"

using Native = int;
#define closesocket_ close
constexpr int kSendFlags = MSG_NOSIGNAL;

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

// Xvfb on a free display (-displayfd), its pid first; the DISPLAY value, or "" when it
// did not start. A shell watches the pipe: once this process stops reading, it ends the server.
std::string startXvfb(const std::string& options, FILE** output, int* pid) {
    *output = popen(("exec 2>/dev/null; trap '' PIPE; Xvfb -displayfd 1 -nolisten tcp " + options +
                     " & echo $!; while sleep 1 && echo; do :; done; kill $!").c_str(), "r");
    char number[32] = {};
    return *output != nullptr && std::fscanf(*output, "%d %31s", pid, number) == 2 ? std::string(":") + number : "";
}

// wish on display running script; its pid once the script ran and the server has all its requests.
int startWish(const std::string& display, const std::string& script, FILE** output) {
    *output = popen(("exec 2>/dev/null; echo '" + script + "; update; puts [pid]; flush stdout' | DISPLAY=" + display +
                     " exec wish").c_str(), "r");
    int pid = 0;
    return *output != nullptr && std::fscanf(*output, "%d", &pid) == 1 ? pid : 0;
}

}  // namespace

bool startNetworkAndDisplay(int width, int height) {
    int pid = 0;
    const std::string name =
        startXvfb("-screen 0 " + std::to_string(width) + "x" + std::to_string(height) + "x24", &xvfb, &pid);
    util_test::setEnvironment("DISPLAY", name.c_str());
    display = x<void*(const char*)>("XOpenDisplay") != nullptr ? x<void*(const char*)>("XOpenDisplay")(nullptr) : nullptr;
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

bool startedProgramHolds(std::uintptr_t socket) {
    // The child lists its own descriptors; the socket shows as socket:[inode].
    struct stat status {};
    FILE* child = fstat(static_cast<int>(socket), &status) == 0 ? popen("ls -l /proc/self/fd/", "r") : nullptr;
    std::string listing;
    char buffer[4096];
    for (std::size_t got; child != nullptr && (got = std::fread(buffer, 1, sizeof buffer, child)) > 0;) {
        listing.append(buffer, got);
    }
    return child != nullptr && pclose(child) == 0 &&
           listing.find("socket:[" + std::to_string(status.st_ino) + "]") != std::string::npos;
}

int runInForkedChild(const std::function<void()>& body) {
    return util_test::runInChild([&] {
        body();
        return 0;
    });
}

std::string DisposableDisplay::start() {
    FILE* output = nullptr;
    const std::string name = startXvfb("-screen 0 320x240x24", &output, &serverPid);
    server = output;
    // The windows belong to wish, a process of its own: Xlib ends its process when
    // the connection breaks with the server.
    const int wish = name.empty() ? 0 : startWish(name, "for {set i 0} {$i < 300} {incr i} "
                                                        "{wm title [toplevel .w$i] \"window $i\"}", &output);
    client = output;
    return wish != 0 ? name : std::string();
}

void DisposableDisplay::kill() {
    if (serverPid > 0) {
        ::kill(serverPid, SIGKILL);
        serverPid = 0;
    }
    for (void** output : {&server, &client}) {
        if (*output != nullptr) {
            pclose(static_cast<FILE*>(*output));
            *output = nullptr;
        }
    }
}

std::string stalledDisplay(std::vector<Socket>* sockets) {
    for (int display = 200; display < 2000; ++display) {
        sockaddr_in address = loopback(static_cast<unsigned short>(6000 + display));
        sockets->push_back(static_cast<Socket>(socket(AF_INET, SOCK_STREAM, 0)));
        if (bind(Native(sockets->back()), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(Native(sockets->back()), 0) != 0) {
            closeSocket(sockets->back());
            sockets->pop_back();
            continue;
        }
        // Fill the queue; nothing accepts, so later connects wait in vain.
        for (int filler = 0; filler < 3; ++filler) {
            sockets->push_back(static_cast<Socket>(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0)));
            (void)connect(Native(sockets->back()), reinterpret_cast<sockaddr*>(&address), sizeof address);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return "127.0.0.1:" + std::to_string(display);
    }
    return std::string();
}

}  // namespace trace_test
