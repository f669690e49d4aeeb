// The machine's facts on Linux: the default route from the kernel's route table
// read with sscanf, addresses and hardware addresses from getifaddrs.
#include "netinfo/system_facts.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/in.h>

namespace netinfo_test {

bool systemDefaultGateway(unsigned long* gateway) {
    std::FILE* file = std::fopen("/proc/net/route", "r");
    if (file == nullptr) return false;
    char line[512];
    bool found = false;
    unsigned destination, hop, flags, metric, bestMetric = 0;
    while (std::fgets(line, sizeof line, file) != nullptr) {
        // Iface Destination Gateway Flags RefCnt Use Metric ...; RTF_UP | RTF_GATEWAY = 3.
        if (std::sscanf(line, "%*s %x %x %x %*d %*d %u", &destination, &hop, &flags, &metric) == 4 &&
            destination == 0 && (flags & 3) == 3 && (!found || metric < bestMetric)) {
            found = true;
            bestMetric = metric;
            *gateway = hop;
        }
    }
    std::fclose(file);
    return found;
}

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
