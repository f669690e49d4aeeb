// The exported look-ups against the IP helper's tables (no MAC look-up: Wine's ARP walk faults).
#include <gtest/gtest.h>

#include <vector>

#include "netinfo/snmp_lookup.h"
#include "platform/win_include.h"

#include <iphlpapi.h>

namespace netinfo_test {
namespace {

TEST(SystemLookups, AgreeWithTheSystemOnRoutesAndAddresses) {
    std::vector<unsigned char> buffer(1 << 20);  // room for any table of a test machine
    ULONG size = static_cast<ULONG>(buffer.size());
    auto* routes = reinterpret_cast<MIB_IPFORWARDTABLE*>(buffer.data());
    if (GetIpForwardTable(routes, &size, TRUE) != NO_ERROR) routes->dwNumEntries = 0;  // no routes at all
    const MIB_IPFORWARDROW* best = nullptr;  // the preferred default route, if any
    for (DWORD i = 0; i < routes->dwNumEntries; ++i) {
        const MIB_IPFORWARDROW& row = routes->table[i];
        if (row.dwForwardDest == 0 && (best == nullptr || row.dwForwardMetric1 < best->dwForwardMetric1)) best = &row;
    }
    unsigned long hop = 12345, index = 0;
    EXPECT_EQ(best != nullptr ? 1 : 0, snmp_GetRouteNextHopIp(0, &hop));
    EXPECT_EQ(best != nullptr ? best->dwForwardNextHop : 12345ul, hop);

    size = static_cast<ULONG>(buffer.size());
    auto* addresses = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
    ASSERT_EQ(static_cast<DWORD>(NO_ERROR), GetIpAddrTable(addresses, &size, FALSE));
    bool loopbackSeen = false;
    for (DWORD i = 0; i < addresses->dwNumEntries; ++i) {
        const MIB_IPADDRROW& row = addresses->table[i];
        ASSERT_EQ(1, snmp_GetAdapterIndexByIpAddr(row.dwAddr, &index)) << row.dwAddr;
        EXPECT_EQ(row.dwIndex, index);
        loopbackSeen = loopbackSeen || (row.dwAddr & 0xFF) == 127;  // 127.x.x.x: the low byte comes first
    }
    EXPECT_TRUE(loopbackSeen);
}

}  // namespace
}  // namespace netinfo_test
