// The machine's facts on Linux: the default route from a netlink route dump,
// interfaces and addresses from the SIOCGIF* requests.
#include "netinfo/system_facts.h"

#include <cstdint>
#include <cstring>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace netinfo_test {

bool systemDefaultGateway(unsigned long* gateway) {
    int sock = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (sock < 0) return false;
    struct {
        struct nlmsghdr header;
        struct rtmsg route;
    } request;
    std::memset(&request, 0, sizeof request);
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(struct rtmsg));
    request.header.nlmsg_type = RTM_GETROUTE;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    request.route.rtm_family = AF_INET;
    bool found = false;
    unsigned bestPriority = 0;
    if (send(sock, &request, request.header.nlmsg_len, 0) >= 0) {
        static char buffer[65536];
        bool done = false;
        while (!done) {
            ssize_t length = recv(sock, buffer, sizeof buffer, 0);
            if (length <= 0) break;
            for (struct nlmsghdr* message = reinterpret_cast<struct nlmsghdr*>(buffer);
                 NLMSG_OK(message, static_cast<unsigned>(length)); message = NLMSG_NEXT(message, length)) {
                if (message->nlmsg_type == NLMSG_DONE || message->nlmsg_type == NLMSG_ERROR) {
                    done = true;
                    break;
                }
                auto* route = static_cast<struct rtmsg*>(NLMSG_DATA(message));
                if (route->rtm_family != AF_INET || route->rtm_dst_len != 0 ||
                    route->rtm_table != RT_TABLE_MAIN) {
                    continue;
                }
                unsigned priority = 0;
                unsigned long hop = 0;
                bool hasGateway = false;
                int attributesLength = static_cast<int>(RTM_PAYLOAD(message));
                for (struct rtattr* attribute = RTM_RTA(route); RTA_OK(attribute, attributesLength);
                     attribute = RTA_NEXT(attribute, attributesLength)) {
                    if (attribute->rta_type == RTA_GATEWAY) {
                        std::uint32_t value;
                        std::memcpy(&value, RTA_DATA(attribute), 4);
                        hop = value;
                        hasGateway = true;
                    } else if (attribute->rta_type == RTA_PRIORITY) {
                        std::memcpy(&priority, RTA_DATA(attribute), 4);
                    }
                }
                if (hasGateway && (!found || priority < bestPriority)) {
                    found = true;
                    bestPriority = priority;
                    *gateway = hop;
                }
            }
        }
    }
    close(sock);
    return found;
}

bool runningUnderWine() { return false; }

unsigned long systemLoopbackIndex() { return if_nametoindex("lo"); }

std::vector<LocalAddress> systemLocalAddresses() {
    std::vector<LocalAddress> result;
    int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0) return result;
    struct ifreq requests[64];
    struct ifconf configuration;
    configuration.ifc_len = sizeof requests;
    configuration.ifc_req = requests;
    if (ioctl(sock, SIOCGIFCONF, &configuration) == 0) {
        int count = configuration.ifc_len / static_cast<int>(sizeof(struct ifreq));
        for (int i = 0; i < count; ++i) {
            if (requests[i].ifr_addr.sa_family != AF_INET) continue;
            struct sockaddr_in inet;
            std::memcpy(&inet, &requests[i].ifr_addr, sizeof inet);
            LocalAddress local;
            local.address = inet.sin_addr.s_addr;
            const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&inet.sin_addr.s_addr);
            if (bytes[0] == 127) continue;
            struct ifreq query;
            std::memset(&query, 0, sizeof query);
            std::memcpy(query.ifr_name, requests[i].ifr_name, IFNAMSIZ);
            if (char* colon = std::strchr(query.ifr_name, ':')) *colon = '\0';
            if (ioctl(sock, SIOCGIFINDEX, &query) != 0) continue;
            local.interfaceIndex = static_cast<unsigned long>(query.ifr_ifindex);
            if (ioctl(sock, SIOCGIFHWADDR, &query) == 0) {
                const auto* hardware = reinterpret_cast<const unsigned char*>(query.ifr_hwaddr.sa_data);
                local.physical.assign(hardware, hardware + 6);
            }
            result.push_back(local);
        }
    }
    close(sock);
    return result;
}

}  // namespace netinfo_test
