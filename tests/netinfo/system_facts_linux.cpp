// The machine's facts on Linux: the default route from a netlink route dump,
// addresses and hardware addresses from getifaddrs.
#include "netinfo/system_facts.h"

#include <cstdint>
#include <cstring>
#include <string>

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace netinfo_test {

bool systemDefaultGateway(unsigned long* gateway) {
    const int sock = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (sock < 0) return false;
    struct {
        nlmsghdr header;
        rtmsg route;
    } request = {};
    request.header = {NLMSG_LENGTH(sizeof(rtmsg)), RTM_GETROUTE, NLM_F_REQUEST | NLM_F_DUMP, 1, 0};
    request.route.rtm_family = AF_INET;
    bool found = false, done = send(sock, &request, request.header.nlmsg_len, 0) < 0;
    std::uint32_t bestPriority = 0;
    static char buffer[65536];
    while (!done) {
        ssize_t length = recv(sock, buffer, sizeof buffer, 0);
        if (length <= 0) break;
        for (auto* message = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(message, static_cast<unsigned>(length));
             message = NLMSG_NEXT(message, length)) {
            if (message->nlmsg_type == NLMSG_DONE || message->nlmsg_type == NLMSG_ERROR) done = true;
            auto* route = static_cast<rtmsg*>(NLMSG_DATA(message));
            if (done || route->rtm_family != AF_INET || route->rtm_dst_len != 0 || route->rtm_table != RT_TABLE_MAIN) {
                continue;
            }
            std::uint32_t priority = 0, hop = 0;
            bool hasGateway = false;
            int attributesLength = static_cast<int>(RTM_PAYLOAD(message));
            for (rtattr* attribute = RTM_RTA(route); RTA_OK(attribute, attributesLength);
                 attribute = RTA_NEXT(attribute, attributesLength)) {
                if (attribute->rta_type == RTA_GATEWAY) hasGateway = true, std::memcpy(&hop, RTA_DATA(attribute), 4);
                if (attribute->rta_type == RTA_PRIORITY) std::memcpy(&priority, RTA_DATA(attribute), 4);
            }
            if (hasGateway && (!found || priority < bestPriority)) {
                found = true;
                bestPriority = priority;
                *gateway = hop;
            }
        }
    }
    close(sock);
    return found;
}

bool runningUnderWine() { return false; }

std::vector<LocalAddress> systemLocalAddresses() {
    std::vector<LocalAddress> result;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return result;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        LocalAddress local;
        local.address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr;
        const std::string name(entry->ifa_name, std::strcspn(entry->ifa_name, ":"));  // without an alias label
        local.interfaceIndex = if_nametoindex(name.c_str());
        for (const ifaddrs* link = list; link != nullptr; link = link->ifa_next) {
            const auto* hardware = reinterpret_cast<const sockaddr_ll*>(link->ifa_addr);
            if (hardware != nullptr && hardware->sll_family == AF_PACKET && name == link->ifa_name &&
                hardware->sll_halen == 6) {
                local.physical.assign(hardware->sll_addr, hardware->sll_addr + 6);
            }
        }
        result.push_back(local);
    }
    freeifaddrs(list);
    return result;
}

}  // namespace netinfo_test
