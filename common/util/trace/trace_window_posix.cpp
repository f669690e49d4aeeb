// The viewer window look-up on POSIX: a top-level X11 window whose title equals
// the viewer title, on the display that DISPLAY names. libX11 is loaded at run
// time, so the library has no link-time dependency on it; without libX11 or a
// display there is no window.
#include "trace/trace_platform.h"

#include <dlfcn.h>

#include <cstring>
#include <mutex>

namespace util {
namespace trace {

namespace {

// The few Xlib types and calls the walk uses, declared here so that building
// needs no X11 headers.
struct Display;
using Window = unsigned long;
using Atom = unsigned long;
using ErrorHandler = int (*)(Display*, void*);

struct Xlib {
    Display* (*openDisplay)(const char*);
    int (*closeDisplay)(Display*);
    Window (*defaultRootWindow)(Display*);
    int (*queryTree)(Display*, Window, Window*, Window*, Window**, unsigned int*);
    Atom (*internAtom)(Display*, const char*, int);
    int (*getWindowProperty)(Display*, Window, Atom, long, long, int, Atom, Atom*, int*, unsigned long*,
                             unsigned long*, unsigned char**);
    int (*free)(void*);
    ErrorHandler (*setErrorHandler)(ErrorHandler);
    bool loaded;
};

template <typename Function>
bool resolve(void* library, const char* name, Function* function) {
    *function = reinterpret_cast<Function>(dlsym(library, name));
    return *function != nullptr;
}

// Loaded once; the library handle is kept for the life of the process.
const Xlib& xlib() {
    static const Xlib loaded = [] {
        Xlib calls{};
        void* library = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            library = dlopen("libX11.so", RTLD_NOW | RTLD_LOCAL);
        }
        if (library == nullptr) {
            return calls;
        }
        calls.loaded = resolve(library, "XOpenDisplay", &calls.openDisplay) &&
                       resolve(library, "XCloseDisplay", &calls.closeDisplay) &&
                       resolve(library, "XDefaultRootWindow", &calls.defaultRootWindow) &&
                       resolve(library, "XQueryTree", &calls.queryTree) &&
                       resolve(library, "XInternAtom", &calls.internAtom) &&
                       resolve(library, "XGetWindowProperty", &calls.getWindowProperty) &&
                       resolve(library, "XFree", &calls.free) &&
                       resolve(library, "XSetErrorHandler", &calls.setErrorHandler);
        return calls;
    }();
    return loaded;
}

// A window that disappears during the walk raises BadWindow; Xlib's default
// handler would end the process.
int ignoreError(Display*, void*) { return 0; }

constexpr int kSuccess = 0;
constexpr Atom kAnyPropertyType = 0;
constexpr Atom kWmNameAtom = 39;  // XA_WM_NAME, predefined by the protocol

class TitleSearch {
public:
    TitleSearch(const Xlib& calls, Display* display, const char* title)
        : calls_(calls), display_(display), title_(title), titleLength_(std::strlen(title)),
          netWmName_(calls.internAtom(display, "_NET_WM_NAME", 1)) {}

    // Top-level windows are the root's children; under a reparenting window
    // manager the client window sits one level further down, inside its frame.
    bool found() {
        const Window root = calls_.defaultRootWindow(display_);
        return searchChildren(root, 2);
    }

private:
    bool searchChildren(Window parent, int levels) {
        Window rootReturn = 0;
        Window parentReturn = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (calls_.queryTree(display_, parent, &rootReturn, &parentReturn, &children, &count) == 0) {
            return false;
        }
        bool match = false;
        for (unsigned int index = 0; index < count && !match; ++index) {
            match = hasTitle(children[index], kWmNameAtom) ||
                    (netWmName_ != 0 && hasTitle(children[index], netWmName_));
        }
        for (unsigned int index = 0; index < count && !match && levels > 1; ++index) {
            match = searchChildren(children[index], levels - 1);
        }
        if (children != nullptr) {
            calls_.free(children);
        }
        return match;
    }

    bool hasTitle(Window window, Atom property) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0;
        unsigned long remaining = 0;
        unsigned char* value = nullptr;
        // Any text encoding: ASCII titles read the same in STRING, UTF8_STRING and COMPOUND_TEXT.
        if (calls_.getWindowProperty(display_, window, property, 0, 1024, 0, kAnyPropertyType, &type, &format,
                                     &items, &remaining, &value) != kSuccess) {
            return false;
        }
        const bool equal = value != nullptr && format == 8 && remaining == 0 && items == titleLength_ &&
                           std::memcmp(value, title_, titleLength_) == 0;
        if (value != nullptr) {
            calls_.free(value);
        }
        return equal;
    }

    const Xlib& calls_;
    Display* display_;
    const char* title_;
    std::size_t titleLength_;
    Atom netWmName_;
};

// Xlib's error handler is process-wide: look-ups take turns swapping it.
std::mutex errorHandlerLock;

}  // namespace

bool viewerWindowExists(const char* title) {
    const Xlib& calls = xlib();
    if (!calls.loaded) {
        return false;
    }
    Display* display = calls.openDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    bool found = false;
    {
        std::lock_guard<std::mutex> hold(errorHandlerLock);
        const ErrorHandler previous = calls.setErrorHandler(ignoreError);
        found = TitleSearch(calls, display, title).found();
        calls.closeDisplay(display);
        calls.setErrorHandler(previous);
    }
    return found;
}

}  // namespace trace
}  // namespace util
