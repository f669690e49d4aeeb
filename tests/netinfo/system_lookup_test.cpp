// The exported look-ups against this machine's own tables, checked against what
// other system interfaces report. Wine's agent serves the address, interface
// and route tables faithfully, but a walk of its ARP table faults inside Wine's
// network layer, so the Windows build (which runs under Wine) makes no
// hardware-address look-up at all.
#include <gtest/gtest.h>

#include <cstring>

#include "netinfo/snmp_lookup.h"
#include "netinfo/system_facts.h"
#include "support/test_support.h"

namespace netinfo_test {
namespace {

TEST(SystemLookups, AgreeWithTheSystemOnRoutesAddressesAndInterfaces) {
    unsigned long expected = 0, hop = 12345, index = 0;
    if (systemDefaultGateway(&expected)) {
        ASSERT_EQ(1, snmp_GetRouteNextHopIp(0, &hop));
        EXPECT_EQ(expected, hop);
    } else {
        EXPECT_EQ(0, snmp_GetRouteNextHopIp(0, &hop));
        EXPECT_EQ(12345ul, hop);
    }
    bool loopbackSeen = false;
    for (const LocalAddress& local : systemLocalAddresses()) {
        ASSERT_EQ(1, snmp_GetAdapterIndexByIpAddr(local.address, &index)) << local.address;
        EXPECT_EQ(local.interfaceIndex, index);
        EXPECT_NE(0ul, index);
        const bool loopback = (local.address & 0xFF) == 127;  // 127.x.x.x: the first byte in memory is the low one
        loopbackSeen = loopbackSeen || loopback;
        if (!loopback && local.physical.size() == 6 && !util_test::isWindows()) {
            unsigned char mac[6] = {0};
            ASSERT_EQ(1, snmp_GetMacAddrByIp(local.address, mac));
            EXPECT_EQ(0, std::memcmp(mac, local.physical.data(), 6));
        }
        if (loopback && !util_test::isWindows()) {
            // Loopback has no hardware address on either platform (Linux lists six zero bytes).
            unsigned char mac[6] = {7, 7, 7, 7, 7, 7};
            EXPECT_EQ(0, snmp_GetMacAddrByIp(local.address, mac)) << local.address;
            EXPECT_EQ(7, mac[0]);
        }
    }
    EXPECT_TRUE(loopbackSeen);
}

}  // namespace
}  // namespace netinfo_test
