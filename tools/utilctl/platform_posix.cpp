#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform.h"

namespace utilctl {

const char* platformName() { return sizeof(void*) == 4 ? "Linux (32-bit)" : "Linux (64-bit)"; }

bool runningUnderWine() { return false; }

bool localAddressTowards(unsigned long ip, unsigned long* localAddress) {
    const int probe = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        return false;
    }
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(9);
    remote.sin_addr.s_addr = static_cast<in_addr_t>(ip);
    sockaddr_in local{};
    socklen_t length = sizeof local;
    const bool found = connect(probe, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0 &&
                       getsockname(probe, reinterpret_cast<sockaddr*>(&local), &length) == 0;
    close(probe);
    if (found) {
        *localAddress = local.sin_addr.s_addr;
    }
    return found;
}

}  // namespace utilctl
