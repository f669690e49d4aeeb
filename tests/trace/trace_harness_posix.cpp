// The harness on POSIX: BSD sockets, and a private Xvfb driven through libX11 and
// libXtst, loaded at run time as the library loads libX11.
#include "trace/trace_harness.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <dirent.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

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

// XWindowAttributes as Xlib lays it out, declared here so that building needs no X headers.
struct WindowAttributes {
    int x, y, width, height, borderWidth, depth;
    void* visual;
    Window root;
    int windowClass, bitGravity, winGravity, backingStore;
    unsigned long backingPlanes, backingPixel;
    int saveUnder;
    unsigned long colormap;
    int mapInstalled, mapState;
    long allEventMasks, yourEventMask, doNotPropagateMask;
    int overrideRedirect;
    void* screen;
};
constexpr int kIsViewable = 2;

// A window of the viewer may go between a look-up and the next request about it
// (a thread window, or all of them at Exit). Xlib's default handler ends the
// process on such an error; this one leaves the request to fail and its results
// unset.
int ignoreError(void*, void*) { return 0; }

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
    x<void*(int (*)(void*, void*))>("XSetErrorHandler")(ignoreError);
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

bool isViewable(unsigned long window) {
    WindowAttributes attributes{};
    return x<int(void*, Window, WindowAttributes*)>("XGetWindowAttributes")(display, window, &attributes) != 0 &&
           attributes.mapState == kIsViewable;
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

long openHandleCount() {
    DIR* directory = opendir("/proc/self/fd");
    if (directory == nullptr) {
        return -1;
    }
    long count = 0;
    while (readdir(directory) != nullptr) {
        ++count;
    }
    closedir(directory);
    return count - 3;  // ".", ".." and the directory's own descriptor
}

bool startedProgramHolds(std::uintptr_t socket) {
    struct stat status {};
    if (fstat(static_cast<int>(socket), &status) != 0) {
        return false;
    }
    // The child lists its own descriptors; the socket shows as socket:[inode].
    FILE* child = popen("ls -l /proc/self/fd/ 2>/dev/null", "r");
    std::string listing;
    char buffer[4096];
    for (std::size_t got; child != nullptr && (got = std::fread(buffer, 1, sizeof buffer, child)) > 0;) {
        listing.append(buffer, got);
    }
    if (child != nullptr) {
        pclose(child);
    }
    return listing.find("socket:[" + std::to_string(status.st_ino) + "]") != std::string::npos;
}

bool DisposableDisplay::start(int windows) {
    const std::string command =
        "echo $$; exec Xvfb -displayfd 1 -nolisten tcp -screen 0 320x240x24 2>/dev/null";
    FILE* server = popen(command.c_str(), "r");
    serverOutput = server;
    char number[32] = {};
    if (server == nullptr || std::fscanf(server, "%d %31s", &serverPid, number) != 2) {
        return false;
    }
    name = std::string(":") + number;
    // The windows belong to a process of their own: its connection breaks with the
    // server, and an Xlib connection ends its process when it does.
    int ready[2];
    if (pipe(ready) != 0) {
        return false;
    }
    clientPid = fork();
    if (clientPid == 0) {
        void* own = x<void*(const char*)>("XOpenDisplay")(name.c_str());
        if (own == nullptr) _exit(1);
        const Window parent = x<Window(void*)>("XDefaultRootWindow")(own);
        for (int index = 0; index < windows; ++index) {
            const Window window = x<Window(void*, Window, int, int, unsigned, unsigned, unsigned, unsigned long,
                                           unsigned long)>("XCreateSimpleWindow")(own, parent, 0, 0, 10, 10, 0, 0, 0);
            x<int(void*, Window, const char*)>("XStoreName")(own, window, ("window " + std::to_string(index)).c_str());
            x<int(void*, Window)>("XMapWindow")(own, window);
        }
        x<int(void*, int)>("XSync")(own, 0);
        (void)!write(ready[1], "r", 1);
        for (;;) pause();
    }
    close(ready[1]);
    char byte = 0;
    const bool started = clientPid > 0 && read(ready[0], &byte, 1) == 1;
    close(ready[0]);
    return started;
}

void DisposableDisplay::kill() {
    for (int* pid : {&serverPid, &clientPid}) {
        if (*pid > 0) {
            ::kill(*pid, SIGKILL);
            waitpid(*pid, nullptr, 0);
            *pid = 0;
        }
    }
    if (serverOutput != nullptr) {
        pclose(static_cast<FILE*>(serverOutput));
        serverOutput = nullptr;
    }
}

DisposableDisplay::~DisposableDisplay() { kill(); }

bool StalledDisplay::start() {
    const Socket listener = static_cast<Socket>(socket(AF_INET, SOCK_STREAM, 0));
    for (int display = 200; listener != kNoSocket && display < 2000; ++display) {
        sockaddr_in address = loopback(static_cast<unsigned short>(6000 + display));
        if (bind(Native(listener), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            continue;
        }
        if (listen(Native(listener), 0) != 0) {
            break;
        }
        sockets.push_back(listener);
        // Fill the queue; the server never accepts, so later connects wait in vain.
        for (int filler = 0; filler < 3; ++filler) {
            const Socket connection = static_cast<Socket>(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
            (void)connect(Native(connection), reinterpret_cast<sockaddr*>(&address), sizeof address);
            sockets.push_back(connection);
        }
        usleep(100000);
        name = "127.0.0.1:" + std::to_string(display);
        return true;
    }
    closeSocket(listener);
    return false;
}

StalledDisplay::~StalledDisplay() { std::for_each(sockets.begin(), sockets.end(), closeSocket); }

std::string setDisplayVariable(const std::string& value) {
    const char* previous = std::getenv("DISPLAY");
    std::string old = previous != nullptr ? previous : "";
    setenv("DISPLAY", value.c_str(), 1);
    return old;
}

int runInForkedChild(const std::function<void()>& body, int timeoutMs) {
    const pid_t child = fork();
    if (child < 0) {
        return -3;
    }
    if (child == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    for (int waited = 0; waited <= timeoutMs; ++waited) {
        if (waitpid(child, &status, WNOHANG) == child) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        usleep(1000);
    }
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return -2;
}

}  // namespace trace_test
