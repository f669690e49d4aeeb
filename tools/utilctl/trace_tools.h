// The OS pieces of utilctl's trace commands: starting the viewer's shell,
// watching it, and the network start-up the tracer expects.
#ifndef UTILCTL_TRACE_TOOLS_H
#define UTILCTL_TRACE_TOOLS_H

#include <cstdint>
#include <string>

namespace utilctl {

/// How a viewer shell ended.
struct WishEnd {
    enum Kind { kNotStarted, kExited, kKilled, kUnknown } kind = kNotStarted;
    int code = 0;  // the exit status (kExited) or the signal's number (kKilled)
};

/// Runs `wish script app pid port` (found on PATH) and waits for it. On POSIX,
/// SIGHUP, SIGINT or SIGTERM arriving meanwhile is passed on to wish, the script
/// is removed and utilctl ends by that signal; when the caller ignores SIGCHLD
/// the system reaps wish itself and the end is kUnknown.
WishEnd runWish(const std::string& script, const char* app, const char* pid, const char* port);
/// Starts the same without waiting; false when it cannot be started.
bool startWish(const std::string& script, const char* app, const char* pid, const char* port, std::uintptr_t* process);
/// True while the started wish runs; once it has ended, false with *end set.
bool wishRunning(std::uintptr_t process, WishEnd* end);
/// True when something accepts TCP connections on 127.0.0.1:port (the connection is closed at once).
bool portAccepting(unsigned short port);
/// Waits about a tenth of a second.
void pause100ms();
/// Windows: WSAStartup 2.2 (the tracer does not start Winsock itself). POSIX: nothing.
bool startNetwork();
/// The calling process's id.
unsigned long currentProcessId();

}  // namespace utilctl

#endif
