// The harness on POSIX: BSD sockets, and a private Xvfb driven through libX11 and
// libXtst, loaded at run time as the library loads libX11.
#include "trace/trace_harness.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "trace/viewer_script.h"

using Native = int;
#define closesocket_ close
constexpr int kSendFlags = MSG_NOSIGNAL;

namespace trace_test {

#include "trace/loopback_sockets.inc"

namespace {

// libX11 and libXtst are loaded at run time, like the library does.
template <typename Function>
Function* x(const char* name) {
    static void* xlib = dlopen("libX11.so.6", RTLD_NOW);
    static void* xtest = dlopen("libXtst.so.6", RTLD_NOW);
    void* found = xlib != nullptr ? dlsym(xlib, name) : nullptr;
    return reinterpret_cast<Function*>(found == nullptr && xtest != nullptr ? dlsym(xtest, name) : found);
}

using Window = unsigned long;
void* display = nullptr;  // one connection, used by one thread at a time
FILE* xvfb = nullptr;  // Xvfb's output: its process id and display number
int server = 0;

Window root() { return x<Window(void*)>("XDefaultRootWindow")(display); }
void sync() { x<int(void*, int)>("XSync")(display, 0); }

}  // namespace

bool startNetworkAndDisplay(int width, int height) {
    // -displayfd picks a free display; -terminate ends the server with its last client.
    const std::string command = "echo $$; exec Xvfb -displayfd 1 -nolisten tcp -terminate -screen 0 " +
                                std::to_string(width) + "x" + std::to_string(height) + "x24 2>/dev/null";
    xvfb = x<void*(const char*)>("XOpenDisplay") != nullptr ? popen(command.c_str(), "r") : nullptr;
    char number[32] = {};
    if (xvfb == nullptr || std::fscanf(xvfb, "%d %31s", &server, number) != 2) {
        return false;
    }
    setenv("DISPLAY", (std::string(":") + number).c_str(), 1);
    display = x<void*(const char*)>("XOpenDisplay")(nullptr);
    return display != nullptr;
}

void stopDisplay() {
    x<int(void*)>("XCloseDisplay")(display);
    kill(server, SIGTERM);
    pclose(xvfb);
}

TitledWindow::TitledWindow(const std::string& title) {
    window = x<Window(void*, Window, int, int, unsigned, unsigned, unsigned, unsigned long, unsigned long)>(
        "XCreateSimpleWindow")(display, root(), 10, 10, 120, 40, 0, 0, 0);
    x<int(void*, Window, const char*)>("XStoreName")(display, window, title.c_str());
    x<int(void*, Window)>("XMapWindow")(display, window);
    sync();
}

TitledWindow::~TitledWindow() {
    x<int(void*, Window)>("XDestroyWindow")(display, window);
    sync();
}

namespace x11 {

std::string titleOf(unsigned long window) {
    char* name = nullptr;
    if (x<int(void*, Window, char**)>("XFetchName")(display, window, &name) == 0 || name == nullptr) {
        return std::string();
    }
    std::string title(name);
    x<int(void*)>("XFree")(name);
    return title;
}

std::vector<unsigned long> windowsTitled(const std::string& prefix) {
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<unsigned long> matches;
    x<int(void*, Window, Window*, Window*, Window**, unsigned*)>("XQueryTree")(display, root(), &parent, &parent,
                                                                               &children, &count);
    for (unsigned index = 0; index < count; ++index) {
        const std::string title = titleOf(children[index]);
        if (!title.empty() && title.compare(0, prefix.size(), prefix) == 0) {
            matches.push_back(children[index]);
        }
    }
    if (children != nullptr) {
        x<int(void*)>("XFree")(children);
    }
    return matches;
}

Geometry geometryOf(unsigned long window) {
    // A top-level window's place is relative to the root: the screen.
    Window parent = 0;
    int place[2] = {};
    unsigned size[4] = {};  // width, height, border, depth
    x<int(void*, Window, Window*, int*, int*, unsigned*, unsigned*, unsigned*, unsigned*)>("XGetGeometry")(
        display, window, &parent, &place[0], &place[1], &size[0], &size[1], &size[2], &size[3]);
    return Geometry{place[0], place[1], static_cast<int>(size[0]), static_cast<int>(size[1])};
}

void raiseWindow(unsigned long window) {
    x<int(void*, Window)>("XRaiseWindow")(display, window);
    sync();
}

void moveWindow(unsigned long window, int left, int top) {
    x<int(void*, Window, int, int)>("XMoveWindow")(display, window, left, top);
    sync();
}

void clickAt(int left, int top) {
    x<int(void*, int, int, int, unsigned long)>("XTestFakeMotionEvent")(display, -1, left, top, 0);
    x<int(void*, unsigned, int, unsigned long)>("XTestFakeButtonEvent")(display, 1, 1, 0);
    x<int(void*, unsigned, int, unsigned long)>("XTestFakeButtonEvent")(display, 1, 0, 0);
    sync();
}

}  // namespace x11

std::string resourceViewerScript() { return viewer_script; }

}  // namespace trace_test
