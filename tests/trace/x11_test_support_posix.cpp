#include "trace/x11_test_support.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

extern char** environ;

namespace trace_test {
namespace x11 {

namespace {

struct Display;
using Window = unsigned long;
using Atom = unsigned long;

// The Xlib and XTEST calls the tests use, resolved once.
struct Calls {
    Display* (*openDisplay)(const char*);
    int (*closeDisplay)(Display*);
    Window (*defaultRootWindow)(Display*);
    Window (*createSimpleWindow)(Display*, Window, int, int, unsigned, unsigned, unsigned, unsigned long,
                                 unsigned long);
    int (*storeName)(Display*, Window, const char*);
    int (*mapWindow)(Display*, Window);
    int (*destroyWindow)(Display*, Window);
    int (*sync)(Display*, int);
    int (*queryTree)(Display*, Window, Window*, Window*, Window**, unsigned*);
    int (*fetchName)(Display*, Window, char**);
    int (*getGeometry)(Display*, Window, Window*, int*, int*, unsigned*, unsigned*, unsigned*, unsigned*);
    int (*translateCoordinates)(Display*, Window, Window, int, int, int*, int*, Window*);
    int (*raiseWindow)(Display*, Window);
    int (*moveWindow)(Display*, Window, int, int);
    int (*free)(void*);
    int (*fakeMotion)(Display*, int, int, int, unsigned long);
    int (*fakeButton)(Display*, unsigned, int, unsigned long);
};

template <typename Function>
void resolve(void* library, const char* name, Function* function) {
    *function = library != nullptr ? reinterpret_cast<Function>(dlsym(library, name)) : nullptr;
}

const Calls& calls() {
    static const Calls loaded = [] {
        Calls c{};
        void* xlib = dlopen("libX11.so.6", RTLD_NOW);
        void* xtest = dlopen("libXtst.so.6", RTLD_NOW);
        resolve(xlib, "XOpenDisplay", &c.openDisplay);
        resolve(xlib, "XCloseDisplay", &c.closeDisplay);
        resolve(xlib, "XDefaultRootWindow", &c.defaultRootWindow);
        resolve(xlib, "XCreateSimpleWindow", &c.createSimpleWindow);
        resolve(xlib, "XStoreName", &c.storeName);
        resolve(xlib, "XMapWindow", &c.mapWindow);
        resolve(xlib, "XDestroyWindow", &c.destroyWindow);
        resolve(xlib, "XSync", &c.sync);
        resolve(xlib, "XQueryTree", &c.queryTree);
        resolve(xlib, "XFetchName", &c.fetchName);
        resolve(xlib, "XGetGeometry", &c.getGeometry);
        resolve(xlib, "XTranslateCoordinates", &c.translateCoordinates);
        resolve(xlib, "XRaiseWindow", &c.raiseWindow);
        resolve(xlib, "XMoveWindow", &c.moveWindow);
        resolve(xlib, "XFree", &c.free);
        resolve(xtest, "XTestFakeMotionEvent", &c.fakeMotion);
        resolve(xtest, "XTestFakeButtonEvent", &c.fakeButton);
        return c;
    }();
    return loaded;
}

pid_t serverProcess = 0;
std::mutex displayLock;  // one shared connection for all helpers
Display* sharedDisplay = nullptr;

Display* display() {
    if (sharedDisplay == nullptr && calls().openDisplay != nullptr) {
        sharedDisplay = calls().openDisplay(nullptr);
    }
    return sharedDisplay;
}

}  // namespace

bool startServer(int width, int height) {
    int ready[2];
    if (pipe(ready) != 0) {
        return false;
    }
    const std::string descriptor = std::to_string(ready[1]);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    // -terminate: the server ends with its last client, so it never outlives a test
    // process that died (the helpers keep one connection open from the start).
    const char* arguments[] = {"Xvfb", "-displayfd", descriptor.c_str(), "-nolisten", "tcp", "-terminate",
                               "-screen", "0", screen.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, ready[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int failed = posix_spawnp(&serverProcess, "Xvfb", &actions, nullptr,
                                    const_cast<char* const*>(arguments), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ready[1]);
    if (failed != 0) {
        close(ready[0]);
        serverProcess = 0;
        return false;
    }
    std::string number;
    char c = 0;
    while (read(ready[0], &c, 1) == 1 && c != '\n') {
        number += c;
    }
    close(ready[0]);
    if (number.empty()) {
        stopServer();
        return false;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    std::lock_guard<std::mutex> hold(displayLock);
    return display() != nullptr;
}

void stopServer() {
    {
        std::lock_guard<std::mutex> hold(displayLock);
        if (sharedDisplay != nullptr) {
            calls().closeDisplay(sharedDisplay);
            sharedDisplay = nullptr;
        }
    }
    if (serverProcess > 0) {
        kill(serverProcess, SIGTERM);
        waitpid(serverProcess, nullptr, 0);
        serverProcess = 0;
    }
}

unsigned long createWindow(const std::string& title) {
    std::lock_guard<std::mutex> hold(displayLock);
    Display* d = display();
    if (d == nullptr) {
        return 0;
    }
    const Window window = calls().createSimpleWindow(d, calls().defaultRootWindow(d), 10, 10, 120, 40, 0, 0, 0);
    calls().storeName(d, window, title.c_str());
    calls().mapWindow(d, window);
    calls().sync(d, 0);
    return window;
}

void destroyWindow(unsigned long window) {
    std::lock_guard<std::mutex> hold(displayLock);
    if (Display* d = display()) {
        calls().destroyWindow(d, window);
        calls().sync(d, 0);
    }
}

std::string titleOf(unsigned long window) {
    std::lock_guard<std::mutex> hold(displayLock);
    Display* d = display();
    char* name = nullptr;
    if (d == nullptr || calls().fetchName(d, window, &name) == 0 || name == nullptr) {
        return std::string();
    }
    std::string title(name);
    calls().free(name);
    return title;
}

std::vector<unsigned long> windowsTitled(const std::string& prefix) {
    std::vector<unsigned long> children;
    {
        std::lock_guard<std::mutex> hold(displayLock);
        Display* d = display();
        if (d == nullptr) {
            return {};
        }
        Window root = 0;
        Window parent = 0;
        Window* list = nullptr;
        unsigned count = 0;
        if (calls().queryTree(d, calls().defaultRootWindow(d), &root, &parent, &list, &count) == 0) {
            return {};
        }
        children.assign(list, list + count);
        if (list != nullptr) {
            calls().free(list);
        }
    }
    std::vector<unsigned long> matches;
    for (unsigned long child : children) {
        if (titleOf(child).compare(0, prefix.size(), prefix) == 0 && !titleOf(child).empty()) {
            matches.push_back(child);
        }
    }
    return matches;
}

Geometry geometryOf(unsigned long window) {
    std::lock_guard<std::mutex> hold(displayLock);
    Geometry geometry{0, 0, 0, 0};
    Display* d = display();
    Window root = 0;
    Window child = 0;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned border = 0;
    unsigned depth = 0;
    if (d == nullptr || calls().getGeometry(d, window, &root, &x, &y, &width, &height, &border, &depth) == 0) {
        return geometry;
    }
    calls().translateCoordinates(d, window, root, 0, 0, &geometry.x, &geometry.y, &child);
    geometry.width = static_cast<int>(width);
    geometry.height = static_cast<int>(height);
    return geometry;
}

void raiseWindow(unsigned long window) {
    std::lock_guard<std::mutex> hold(displayLock);
    if (Display* d = display()) {
        calls().raiseWindow(d, window);
        calls().sync(d, 0);
    }
}

void moveWindow(unsigned long window, int x, int y) {
    std::lock_guard<std::mutex> hold(displayLock);
    if (Display* d = display()) {
        calls().moveWindow(d, window, x, y);
        calls().sync(d, 0);
    }
}

bool clickAt(int x, int y) {
    std::lock_guard<std::mutex> hold(displayLock);
    Display* d = display();
    if (d == nullptr || calls().fakeMotion == nullptr || calls().fakeButton == nullptr) {
        return false;
    }
    calls().fakeMotion(d, -1, x, y, 0);
    calls().fakeButton(d, 1, 1, 0);
    calls().fakeButton(d, 1, 0, 0);
    calls().sync(d, 0);
    return true;
}

}  // namespace x11
}  // namespace trace_test
