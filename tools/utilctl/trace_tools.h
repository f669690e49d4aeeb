// The OS pieces of utilctl's trace commands: starting the viewer's shell, the
// temporary script file, and the network start-up the tracer expects.
#ifndef UTILCTL_TRACE_TOOLS_H
#define UTILCTL_TRACE_TOOLS_H

#include <string>

namespace utilctl {

/// Runs `wish script app pid port` (found on PATH), waits for it, and returns
/// its exit status, or -1 when it could not be started.
int runWish(const std::string& script, const char* app, const char* pid, const char* port);
/// Windows: WSAStartup 2.2 (the tracer does not start Winsock itself). POSIX: nothing.
bool startNetwork();
/// The calling process's id.
unsigned long currentProcessId();

}  // namespace utilctl

#endif
