#include "trace_tools.h"

#include <process.h>

#include <cstdio>

#include "platform/win_include.h"

namespace utilctl {

namespace {

// _spawnlp joins its arguments into one command line: quote each one.
std::string quoted(const char* text) { return std::string("\"") + text + "\""; }

}  // namespace

int runWish(const std::string& script, const char* app, const char* pid, const char* port) {
    const std::string scriptArgument = quoted(script.c_str());
    const std::string appArgument = quoted(app);
    const intptr_t status = _spawnlp(_P_WAIT, "wish", "wish", scriptArgument.c_str(), appArgument.c_str(), pid,
                                     port, static_cast<char*>(nullptr));
    return status < 0 ? -1 : static_cast<int>(status);
}

bool startNetwork() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

unsigned long currentProcessId() { return GetCurrentProcessId(); }

}  // namespace utilctl
