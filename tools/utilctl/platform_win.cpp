#include "platform/win_include.h"
#include "platform.h"

namespace utilctl {

const char* platformName() { return sizeof(void*) == 4 ? "Windows (32-bit)" : "Windows (64-bit)"; }

bool runningUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool localAddressTowards(unsigned long ip, unsigned long* localAddress) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 0), &data) != 0) {
        return false;
    }
    bool found = false;
    const SOCKET probe = socket(AF_INET, SOCK_DGRAM, 0);
    if (probe != INVALID_SOCKET) {
        sockaddr_in remote{};
        remote.sin_family = AF_INET;
        remote.sin_port = htons(9);
        remote.sin_addr.s_addr = static_cast<ULONG>(ip);
        sockaddr_in local{};
        int length = sizeof local;
        found = connect(probe, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0 &&
                getsockname(probe, reinterpret_cast<sockaddr*>(&local), &length) == 0;
        if (found) {
            *localAddress = local.sin_addr.s_addr;
        }
        closesocket(probe);
    }
    WSACleanup();
    return found;
}

}  // namespace utilctl
