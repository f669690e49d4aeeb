#include "trace_tools.h"

#include <process.h>

#include <cstdio>

#include "platform/win_include.h"

namespace utilctl {

namespace {

// _spawnlp joins its arguments into one command line: quote each one.
std::string quoted(const char* text) { return std::string("\"") + text + "\""; }

intptr_t spawnWish(int mode, const std::string& script, const char* app, const char* pid, const char* port) {
    const std::string scriptArgument = quoted(script.c_str());
    const std::string appArgument = quoted(app);
    return _spawnlp(mode, "wish", "wish", scriptArgument.c_str(), appArgument.c_str(), pid, port,
                    static_cast<char*>(nullptr));
}

}  // namespace

WishEnd runWish(const std::string& script, const char* app, const char* pid, const char* port) {
    WishEnd end;
    const intptr_t status = spawnWish(_P_WAIT, script, app, pid, port);
    if (status >= 0) {
        end.kind = WishEnd::kExited;
        end.code = static_cast<int>(status);
    }
    return end;
}

bool startWish(const std::string& script, const char* app, const char* pid, const char* port, std::uintptr_t* process) {
    const intptr_t handle = spawnWish(_P_NOWAIT, script, app, pid, port);
    if (handle == -1) {
        return false;
    }
    *process = static_cast<std::uintptr_t>(handle);
    return true;
}

bool wishRunning(std::uintptr_t process, WishEnd* end) {
    const HANDLE handle = reinterpret_cast<HANDLE>(process);
    if (WaitForSingleObject(handle, 0) == WAIT_TIMEOUT) {
        return true;
    }
    DWORD code = 0;
    if (GetExitCodeProcess(handle, &code)) {
        end->kind = WishEnd::kExited;
        end->code = static_cast<int>(code);
    } else {
        end->kind = WishEnd::kUnknown;
    }
    return false;
}

bool portAccepting(unsigned short port) {
    const SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
    if (probe == INVALID_SOCKET) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool accepted = connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    closesocket(probe);
    return accepted;
}

void pause100ms() { Sleep(100); }

bool startNetwork() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

unsigned long currentProcessId() { return GetCurrentProcessId(); }

}  // namespace utilctl
