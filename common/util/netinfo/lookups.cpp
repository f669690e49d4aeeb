// The three look-ups, built on the column walk, and their exported entry points.
#include <cstring>

#include "netinfo/netinfo_platform.h"
#include "netinfo/snmp_lookup.h"

namespace util {
namespace netinfo {

namespace {

// Whether a 32-bit address read from a value equals the caller's argument; an
// argument wider than 32 bits is no IPv4 address and matches nothing.
bool sameAddress(std::uint32_t address, unsigned long ip) { return static_cast<unsigned long>(address) == ip; }

}  // namespace

int getMacAddressByIp(MibAgent& agent, unsigned long ip, unsigned char* mac) {
    if (mac == nullptr || !agent.startup()) {
        return 0;
    }
    // The neighbours first: an address resolved on the network.
    bool found = false;
    unsigned char physical[6];
    walkColumns(
        agent, columns::ipNetToMediaNetAddress, columns::ipNetToMediaPhysAddress,
        [&](const MibValue& key, const MibValue& companion) {
            std::uint32_t address;
            unsigned char candidate[6];
            if (readAddress(key, &address) && sameAddress(address, ip) && readPhysicalAddress(companion, candidate)) {
                std::memcpy(physical, candidate, sizeof physical);
                found = true;
            }
        });
    if (!found) {
        // Then the machine's own addresses: the hardware address of the owning interface.
        bool local = false;
        std::uint32_t interfaceIndex = 0;
        walkColumns(agent, columns::ipAdEntIfIndex, columns::ipAdEntAddr,
                    [&](const MibValue& key, const MibValue& companion) {
                        std::uint32_t address;
                        std::uint32_t number;
                        if (readAddress(companion, &address) && sameAddress(address, ip) && readInteger(key, &number)) {
                            interfaceIndex = number;
                            local = true;
                        }
                    });
        if (!local) {
            return 0;
        }
        walkColumns(agent, columns::ifIndex, columns::ifPhysAddress,
                    [&](const MibValue& key, const MibValue& companion) {
                        std::uint32_t number;
                        unsigned char candidate[6];
                        if (readInteger(key, &number) && number == interfaceIndex &&
                            readPhysicalAddress(companion, candidate)) {
                            std::memcpy(physical, candidate, sizeof physical);
                            found = true;
                        }
                    });
    }
    if (found) {
        std::memcpy(mac, physical, sizeof physical);
    }
    return found ? 1 : 0;
}

int getRouteNextHop(MibAgent& agent, unsigned long ip, unsigned long* nextHop) {
    if (nextHop == nullptr || !agent.startup()) {
        return 0;
    }
    bool found = false;
    std::uint32_t hop = 0;
    walkColumns(
        agent, columns::ipRouteDest, columns::ipRouteNextHop, [&](const MibValue& key, const MibValue& companion) {
            std::uint32_t destination;
            std::uint32_t candidate;
            if (readAddress(key, &destination) && sameAddress(destination, ip) && readAddress(companion, &candidate)) {
                hop = candidate;
                found = true;
            }
        });
    if (found) {
        *nextHop = hop;
    }
    return found ? 1 : 0;
}

int getAdapterIndexByAddress(MibAgent& agent, unsigned long ip, unsigned long* index) {
    if (index == nullptr || !agent.startup()) {
        return 0;
    }
    bool found = false;
    std::uint32_t interfaceIndex = 0;
    walkColumns(agent, columns::ipAdEntAddr, columns::ipAdEntIfIndex,
                [&](const MibValue& key, const MibValue& companion) {
                    std::uint32_t address;
                    std::uint32_t number;
                    if (readAddress(key, &address) && sameAddress(address, ip) && readInteger(companion, &number)) {
                        interfaceIndex = number;
                        found = true;
                    }
                });
    if (found) {
        *index = interfaceIndex;
    }
    return found ? 1 : 0;
}

}  // namespace netinfo
}  // namespace util

int snmp_GetMacAddrByIp(unsigned long ip, unsigned char* mac) {
    return util::netinfo::getMacAddressByIp(util::netinfo::systemAgent(), ip, mac);
}

int snmp_GetRouteNextHopIp(unsigned long ip, unsigned long* nextHop) {
    return util::netinfo::getRouteNextHop(util::netinfo::systemAgent(), ip, nextHop);
}

int snmp_GetAdapterIndexByIpAddr(unsigned long ip, unsigned long* index) {
    return util::netinfo::getAdapterIndexByAddress(util::netinfo::systemAgent(), ip, index);
}
