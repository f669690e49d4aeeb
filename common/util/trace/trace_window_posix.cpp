// The viewer window look-up on POSIX: a top-level X11 window whose title equals
// the viewer title, on the display that DISPLAY names. libxcb is loaded at run
// time, so the library has no link-time dependency on X; without libxcb or a
// display there is no window.
//
// No display problem may end or stall the traced process. libxcb reports a
// broken connection as an error instead of calling exit() as Xlib does, and it
// keeps no process-wide handler, so look-ups on several threads need no lock.
// Every reply is awaited with a deadline. A display on another host is first
// probed with a short connect time-out, and a display that could not be reached
// is remembered for a while, so that the threads starting meanwhile do not try
// it again.
#include "trace/trace_platform.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace util {
namespace trace {

namespace {

using Clock = std::chrono::steady_clock;

// How long a look-up may wait: for the probe's connect, and for all replies of the walk.
constexpr std::chrono::milliseconds kConnectTimeOut(500);
constexpr std::chrono::milliseconds kWalkTimeOut(2000);
// How long a display that could not be reached is not tried again.
constexpr std::chrono::seconds kRememberUnreachable(30);

// The few libxcb types the walk uses, laid out as the X protocol and libxcb
// define them, declared here so that building needs no X headers.
struct Connection;
using Window = std::uint32_t;
using Atom = std::uint32_t;
struct Cookie {
    unsigned int sequence;
};
struct Screen {
    Window root;  // the first field of xcb_screen_t
};
struct ScreenIterator {
    Screen* data;
    int rem;
    int index;
};
struct Setup;
struct InternAtomReply {
    std::uint8_t responseType, pad0;
    std::uint16_t sequence;
    std::uint32_t length;
    Atom atom;
};
struct GetPropertyReply {
    std::uint8_t responseType, format;
    std::uint16_t sequence;
    std::uint32_t length;
    Atom type;
    std::uint32_t bytesAfter;
    std::uint32_t valueLength;
    std::uint8_t pad0[12];
};
struct QueryTreeReply;

struct Xcb {
    Connection* (*connect)(const char*, int*);
    void (*disconnect)(Connection*);
    int (*hasError)(Connection*);
    int (*fileDescriptor)(Connection*);
    int (*flush)(Connection*);
    const Setup* (*setup)(Connection*);
    ScreenIterator (*rootsIterator)(const Setup*);
    void (*screenNext)(ScreenIterator*);
    Cookie (*internAtom)(Connection*, std::uint8_t, std::uint16_t, const char*);
    Cookie (*queryTree)(Connection*, Window);
    Window* (*treeChildren)(const QueryTreeReply*);
    int (*treeChildrenLength)(const QueryTreeReply*);
    Cookie (*getProperty)(Connection*, std::uint8_t, Window, Atom, Atom, std::uint32_t, std::uint32_t);
    void* (*propertyValue)(const GetPropertyReply*);
    int (*propertyValueLength)(const GetPropertyReply*);
    int (*pollForReply)(Connection*, unsigned int, void**, void**);
    int (*parseDisplay)(const char*, char**, int*, int*);
    bool loaded;
};

template <typename Function>
bool resolve(void* library, const char* name, Function* function) {
    *function = reinterpret_cast<Function>(dlsym(library, name));
    return *function != nullptr;
}

Xcb loadXcb() {
    Xcb calls{};
    void* library = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        library = dlopen("libxcb.so", RTLD_NOW | RTLD_LOCAL);
    }
    if (library == nullptr) {
        return calls;
    }
    calls.loaded = resolve(library, "xcb_connect", &calls.connect) &&
                   resolve(library, "xcb_disconnect", &calls.disconnect) &&
                   resolve(library, "xcb_connection_has_error", &calls.hasError) &&
                   resolve(library, "xcb_get_file_descriptor", &calls.fileDescriptor) &&
                   resolve(library, "xcb_flush", &calls.flush) && resolve(library, "xcb_get_setup", &calls.setup) &&
                   resolve(library, "xcb_setup_roots_iterator", &calls.rootsIterator) &&
                   resolve(library, "xcb_screen_next", &calls.screenNext) &&
                   resolve(library, "xcb_intern_atom", &calls.internAtom) &&
                   resolve(library, "xcb_query_tree", &calls.queryTree) &&
                   resolve(library, "xcb_query_tree_children", &calls.treeChildren) &&
                   resolve(library, "xcb_query_tree_children_length", &calls.treeChildrenLength) &&
                   resolve(library, "xcb_get_property", &calls.getProperty) &&
                   resolve(library, "xcb_get_property_value", &calls.propertyValue) &&
                   resolve(library, "xcb_get_property_value_length", &calls.propertyValueLength) &&
                   resolve(library, "xcb_poll_for_reply", &calls.pollForReply) &&
                   resolve(library, "xcb_parse_display", &calls.parseDisplay);
    return calls;
}

// libxcb is loaded by the first look-up and kept for the life of the process;
// xcb is written once, under stateLock, before any look-up reads it. The state
// below is guarded by stateLock, which is held only briefly except while a
// display on another host is probed; fork takes it, so a child never starts
// with it held by a thread it does not have.
std::mutex stateLock;
bool xcbTried = false;
Xcb xcb{};
std::string unreachableDisplay;  // the DISPLAY value last found unreachable
Clock::time_point unreachableUntil;

// libxcb's connect reads the X authority file through libXau, whose file name
// lives in a static buffer: connects are made one at a time. A thread waits for
// its turn at most this long, then finds no window; fork does not take this lock
// (a server that never answers would hold it), so a child makes it afresh.
pthread_mutex_t connectLock = PTHREAD_MUTEX_INITIALIZER;
constexpr std::chrono::seconds kConnectTurnTimeOut(2);

void lockBeforeFork() { stateLock.lock(); }
void unlockInParent() { stateLock.unlock(); }
void resetInChild() {
    connectLock = PTHREAD_MUTEX_INITIALIZER;
    stateLock.unlock();
}
const int forkHandlersRegistered = pthread_atfork(&lockBeforeFork, &unlockInParent, &resetInChild);

// Whether a TCP connection to host at port can be made within the time-out.
bool reachable(const char* host, int port) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* addresses = nullptr;
    if (getaddrinfo(host, std::to_string(port).c_str(), &hints, &addresses) != 0) {
        return false;
    }
    bool connected = false;
    const Clock::time_point deadline = Clock::now() + kConnectTimeOut;
    for (addrinfo* address = addresses; address != nullptr && !connected; address = address->ai_next) {
        const int probe =
            socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, address->ai_protocol);
        if (probe < 0) {
            continue;
        }
        if (connect(probe, address->ai_addr, address->ai_addrlen) == 0) {
            connected = true;
        } else {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd wait{probe, POLLOUT, 0};
            int error = 0;
            socklen_t length = sizeof error;
            connected = left.count() > 0 && poll(&wait, 1, static_cast<int>(left.count())) == 1 &&
                        getsockopt(probe, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
        }
        close(probe);
    }
    freeaddrinfo(addresses);
    return connected;
}

// A display on another host ("host:0") is probed first, since connecting to an
// unreachable host stalls; local ones (":0", "unix:0", a socket path) answer at once.
bool remoteDisplayReachable(const Xcb& calls, const char* name) {
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (calls.parseDisplay(name, &host, &display, &screen) == 0) {
        std::free(host);
        return false;
    }
    const bool local = host == nullptr || host[0] == '\0' || std::strcmp(host, "unix") == 0 || host[0] == '/';
    const bool result = local || reachable(host, 6000 + display);
    std::free(host);
    return result;
}

void rememberUnreachable(const std::string& name) {
    std::lock_guard<std::mutex> hold(stateLock);
    unreachableDisplay = name;
    unreachableUntil = Clock::now() + kRememberUnreachable;
}

// Opens the display named by DISPLAY, or gives null: without libxcb, without a
// display, or when it could not be reached now or lately. The lock is held for
// the probe of a remote display, so that threads starting meanwhile wait for its
// verdict instead of probing again, but not while libxcb connects.
Connection* openDisplay(const Xcb*& calls, int* screen) {
    (void)forkHandlersRegistered;
    const char* environment = std::getenv("DISPLAY");
    if (environment == nullptr || environment[0] == '\0') {
        return nullptr;
    }
    const std::string name(environment);
    {
        std::lock_guard<std::mutex> hold(stateLock);
        if (!xcbTried) {
            xcb = loadXcb();
            xcbTried = true;
        }
        if (!xcb.loaded || (name == unreachableDisplay && Clock::now() < unreachableUntil)) {
            return nullptr;
        }
        calls = &xcb;
        if (!remoteDisplayReachable(xcb, name.c_str())) {
            unreachableDisplay = name;
            unreachableUntil = Clock::now() + kRememberUnreachable;
            return nullptr;
        }
    }
    timespec turnDeadline{};
    clock_gettime(CLOCK_REALTIME, &turnDeadline);
    turnDeadline.tv_sec += kConnectTurnTimeOut.count();
    if (pthread_mutex_timedlock(&connectLock, &turnDeadline) != 0) {
        return nullptr;
    }
    Connection* connection = xcb.connect(name.c_str(), screen);
    pthread_mutex_unlock(&connectLock);
    if (connection != nullptr && xcb.hasError(connection) != 0) {
        xcb.disconnect(connection);
        connection = nullptr;
    }
    if (connection == nullptr) {
        rememberUnreachable(name);
    }
    return connection;
}

constexpr Atom kWmNameAtom = 39;  // WM_NAME, predefined by the protocol
constexpr Atom kAnyPropertyType = 0;

class TitleSearch {
public:
    TitleSearch(const Xcb& calls, Connection* connection, const char* title)
        : calls_(calls),
          connection_(connection),
          title_(title),
          titleLength_(std::strlen(title)),
          deadline_(Clock::now() + kWalkTimeOut) {}

    bool found(int screenNumber) {
        const Window root = rootOf(screenNumber);
        if (root == 0) {
            return false;
        }
        const Cookie atomCookie = calls_.internAtom(connection_, 1, 12, "_NET_WM_NAME");
        if (auto* atom = static_cast<InternAtomReply*>(reply(atomCookie))) {
            netWmName_ = atom->atom;
            std::free(atom);
        }
        return searchChildren({root}, 2);
    }

private:
    Window rootOf(int screenNumber) {
        ScreenIterator screens = calls_.rootsIterator(calls_.setup(connection_));
        for (int index = 0; index < screenNumber && screens.rem > 0; ++index) {
            calls_.screenNext(&screens);
        }
        return screens.rem > 0 && screens.data != nullptr ? screens.data->root : 0;
    }

    // The reply to one request, or null on an error reply, a broken connection,
    // or when the walk's deadline passed.
    void* reply(Cookie cookie) {
        calls_.flush(connection_);
        for (;;) {
            void* answer = nullptr;
            void* error = nullptr;
            if (calls_.pollForReply(connection_, cookie.sequence, &answer, &error) != 0) {
                std::free(error);
                return answer;
            }
            if (calls_.hasError(connection_) != 0) {
                return nullptr;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
            if (left.count() <= 0) {
                return nullptr;
            }
            pollfd wait{calls_.fileDescriptor(connection_), POLLIN, 0};
            poll(&wait, 1, static_cast<int>(left.count()));
        }
    }

    bool hasTitle(Cookie cookie) {
        auto* property = static_cast<GetPropertyReply*>(reply(cookie));
        if (property == nullptr) {
            return false;
        }
        const int length = calls_.propertyValueLength(property);
        // Any text encoding: ASCII titles read the same in STRING, UTF8_STRING and COMPOUND_TEXT.
        const bool equal = property->format == 8 && property->bytesAfter == 0 && length >= 0 &&
                           static_cast<std::size_t>(length) == titleLength_ &&
                           std::memcmp(calls_.propertyValue(property), title_, titleLength_) == 0;
        std::free(property);
        return equal;
    }

    // Top-level windows are the root's children; under a reparenting window
    // manager the client window sits one level further down, inside its frame.
    // Each level's requests are sent together and their replies read in turn.
    bool searchChildren(const std::vector<Window>& parents, int levels) {
        std::vector<Cookie> trees;
        for (Window parent : parents) {
            trees.push_back(calls_.queryTree(connection_, parent));
        }
        std::vector<Window> children;
        for (const Cookie& cookie : trees) {
            auto* tree = static_cast<QueryTreeReply*>(reply(cookie));
            if (tree == nullptr) {
                continue;
            }
            const Window* list = calls_.treeChildren(tree);
            const int count = calls_.treeChildrenLength(tree);
            if (list != nullptr && count > 0) {
                children.insert(children.end(), list, list + count);
            }
            std::free(tree);
        }
        std::vector<Cookie> titles;
        for (Window child : children) {
            titles.push_back(calls_.getProperty(connection_, 0, child, kWmNameAtom, kAnyPropertyType, 0, 1024));
            if (netWmName_ != 0) {
                titles.push_back(calls_.getProperty(connection_, 0, child, netWmName_, kAnyPropertyType, 0, 1024));
            }
        }
        bool match = false;
        for (const Cookie& cookie : titles) {
            // Every reply is read, so none is left waiting on the connection.
            match = hasTitle(cookie) || match;
        }
        if (match || levels <= 1 || children.empty() || calls_.hasError(connection_) != 0 ||
            Clock::now() >= deadline_) {
            return match;
        }
        return searchChildren(children, levels - 1);
    }

    const Xcb& calls_;
    Connection* connection_;
    const char* title_;
    std::size_t titleLength_;
    Clock::time_point deadline_;
    Atom netWmName_ = 0;
};

}  // namespace

bool viewerWindowExists(const char* title) {
    const Xcb* calls = nullptr;
    int screen = 0;
    Connection* connection = openDisplay(calls, &screen);
    if (connection == nullptr) {
        return false;
    }
    const bool found = TitleSearch(*calls, connection, title).found(screen);
    calls->disconnect(connection);
    return found;
}

}  // namespace trace
}  // namespace util
