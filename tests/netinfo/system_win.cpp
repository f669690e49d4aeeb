// The exported look-ups against this machine's own tables, checked against the IP
// helper functions. Wine's agent serves the address, interface and route tables
// faithfully, but a walk of its ARP table faults inside Wine's network layer, so
// no hardware-address look-up is made here.
#include <gtest/gtest.h>

#include <vector>

#include "netinfo/snmp_lookup.h"
#include "platform/win_include.h"

#include <iphlpapi.h>

namespace netinfo_test {
namespace {

// A table from an IP helper query, asked once for its size; empty on failure.
template <typename Table, typename Query>
std::vector<unsigned char> readTable(Query query) {
    ULONG size = 0;
    query(nullptr, &size);
    std::vector<unsigned char> buffer(size + sizeof(Table));
    size = static_cast<ULONG>(buffer.size());
    if (query(reinterpret_cast<Table*>(buffer.data()), &size) != NO_ERROR) buffer.clear();
    return buffer;
}

TEST(SystemLookups, AgreeWithTheSystemOnRoutesAndAddresses) {
    auto routes = readTable<MIB_IPFORWARDTABLE>(
        [](MIB_IPFORWARDTABLE* table, ULONG* size) { return GetIpForwardTable(table, size, TRUE); });
    const auto* routeTable = reinterpret_cast<const MIB_IPFORWARDTABLE*>(routes.data());
    const MIB_IPFORWARDROW* best = nullptr;  // the preferred default route
    for (DWORD i = 0; !routes.empty() && i < routeTable->dwNumEntries; ++i) {
        const MIB_IPFORWARDROW& row = routeTable->table[i];
        if (row.dwForwardDest == 0 && (best == nullptr || row.dwForwardMetric1 < best->dwForwardMetric1)) best = &row;
    }
    unsigned long hop = 12345, index = 0;
    EXPECT_EQ(best != nullptr ? 1 : 0, snmp_GetRouteNextHopIp(0, &hop));
    EXPECT_EQ(best != nullptr ? best->dwForwardNextHop : 12345ul, hop);

    auto addresses = readTable<MIB_IPADDRTABLE>(
        [](MIB_IPADDRTABLE* table, ULONG* size) { return GetIpAddrTable(table, size, FALSE); });
    ASSERT_FALSE(addresses.empty());
    const auto* addressTable = reinterpret_cast<const MIB_IPADDRTABLE*>(addresses.data());
    bool loopbackSeen = false;
    for (DWORD i = 0; i < addressTable->dwNumEntries; ++i) {
        const MIB_IPADDRROW& row = addressTable->table[i];
        ASSERT_EQ(1, snmp_GetAdapterIndexByIpAddr(row.dwAddr, &index)) << row.dwAddr;
        EXPECT_EQ(row.dwIndex, index);
        EXPECT_NE(0ul, index);
        loopbackSeen = loopbackSeen || (row.dwAddr & 0xFF) == 127;  // 127.x.x.x: the low byte comes first
    }
    EXPECT_TRUE(loopbackSeen);
}

}  // namespace
}  // namespace netinfo_test
