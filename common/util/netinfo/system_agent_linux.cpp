// The Linux agent: the kernel's ARP cache, IPv4 addresses, interfaces and main
// routing table, read afresh for each walk and served as the MIB-II tables.
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "netinfo/kernel_tables.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/socket.h>

namespace util {
namespace netinfo {

namespace {

std::string readWholeFile(const char* path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::string();
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::uint32_t interfaceIndexOf(const std::string& name) {
    // An alias label ("eth0:1") belongs to the interface before the colon.
    std::string device = name.substr(0, name.find(':'));
    return if_nametoindex(device.c_str());
}

// The IPv4 addresses and the hardware addresses of the interfaces, in the
// order the kernel lists them.
void readInterfaces(std::vector<AddressRow>* addresses, std::vector<InterfaceRow>* interfaces) {
    struct ifaddrs* list = nullptr;
    if (getifaddrs(&list) == 0) {
        for (struct ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
            if (entry->ifa_addr == nullptr || entry->ifa_name == nullptr) continue;
            if (entry->ifa_addr->sa_family == AF_INET && addresses != nullptr) {
                AddressRow row;
                struct sockaddr_in inet;
                std::memcpy(&inet, entry->ifa_addr, sizeof inet);
                row.address = inet.sin_addr.s_addr;
                row.interfaceIndex = interfaceIndexOf(entry->ifa_name);
                if (row.interfaceIndex != 0) addresses->push_back(row);
            } else if (entry->ifa_addr->sa_family == AF_PACKET && interfaces != nullptr) {
                struct sockaddr_ll link;
                std::memcpy(&link, entry->ifa_addr, sizeof link);
                InterfaceRow row;
                row.interfaceIndex = static_cast<std::uint32_t>(link.sll_ifindex);
                std::size_t length = link.sll_halen < sizeof link.sll_addr ? link.sll_halen : sizeof link.sll_addr;
                row.physical.assign(link.sll_addr, link.sll_addr + length);
                interfaces->push_back(std::move(row));
            }
        }
        freeifaddrs(list);
    }
    if (interfaces == nullptr) return;
    // Interfaces that getifaddrs gave no link address still have a row, without one.
    struct if_nameindex* names = if_nameindex();
    if (names == nullptr) return;
    for (struct if_nameindex* name = names; name->if_index != 0; ++name) {
        InterfaceRow row;
        row.interfaceIndex = name->if_index;
        interfaces->push_back(row);  // after the ones with an address: the first row is kept
    }
    if_freenameindex(names);
}

bool columnOf(const ObjectId& column, const ObjectId& table) { return nameInColumn(column, table); }

// The tables' identifiers, made when the library loads rather than on first use:
// the Linux agent then keeps no lock and no one-time guard at all, so a child
// forked while another thread is in a look-up inherits nothing held.
const ObjectId arpTable{1, 3, 6, 1, 2, 1, 4, 22};
const ObjectId addressTable{1, 3, 6, 1, 2, 1, 4, 20};
const ObjectId interfaceTable{1, 3, 6, 1, 2, 1, 2, 2};
const ObjectId routeTable{1, 3, 6, 1, 2, 1, 4, 21};

// The kernel's rows for the table that keyColumn belongs to.
std::shared_ptr<const MibTable> readTableOf(const ObjectId& keyColumn) {
    auto table = std::make_shared<MibTable>();
    if (columnOf(keyColumn, arpTable)) {
        addArpTable(*table, parseArpText(readWholeFile("/proc/net/arp"), interfaceIndexOf));
    } else if (columnOf(keyColumn, addressTable)) {
        std::vector<AddressRow> addresses;
        readInterfaces(&addresses, nullptr);
        addAddressTable(*table, addresses);
    } else if (columnOf(keyColumn, interfaceTable)) {
        std::vector<InterfaceRow> interfaces;
        readInterfaces(nullptr, &interfaces);
        addInterfaceTable(*table, interfaces);
    } else if (columnOf(keyColumn, routeTable)) {
        std::vector<AddressRow> addresses;
        readInterfaces(&addresses, nullptr);
        addRouteTable(*table, parseRouteText(readWholeFile("/proc/net/route"), interfaceIndexOf), addresses);
    }
    return table;
}

// The kernel's tables need no set-up: the agent is always ready.
int snmpAgentStartup() { return 1; }

class KernelAgent : public MibAgent {
public:
    int startup() override { return snmpAgentStartup(); }

    std::unique_ptr<ColumnPairWalk> beginWalk(const ObjectId& keyColumn, const ObjectId& companionColumn) override {
        return beginTableWalk(readTableOf(keyColumn), keyColumn, companionColumn);
    }
};

KernelAgent kernelAgent;

}  // namespace

MibAgent& systemAgent() { return kernelAgent; }

}  // namespace netinfo
}  // namespace util
