// The exported look-ups against this machine's own tables, checked against what
// other system interfaces report. Wine's agent serves the address, interface
// and route tables faithfully, but a walk of its ARP table faults inside Wine's
// network layer, so under Wine no hardware-address look-up is made at all.
#include <gtest/gtest.h>

#include <cstring>

#include "netinfo/snmp_lookup.h"
#include "netinfo/system_facts.h"

namespace netinfo_test {
namespace {

unsigned long dotted(unsigned char a, unsigned char b, unsigned char c, unsigned char d) {
    const unsigned char bytes[4] = {a, b, c, d};
    unsigned int value;
    std::memcpy(&value, bytes, 4);
    return value;
}

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
        const bool loopback = (local.address & 0xFF) == 127;  // the first byte in memory (little-endian)
        loopbackSeen = loopbackSeen || local.address == dotted(127, 0, 0, 1);
        if (!loopback && local.physical.size() == 6 && !runningUnderWine()) {
            unsigned char mac[6] = {0};
            ASSERT_EQ(1, snmp_GetMacAddrByIp(local.address, mac));
            EXPECT_EQ(0, std::memcmp(mac, local.physical.data(), 6));
        }
    }
    EXPECT_TRUE(loopbackSeen);
}

TEST(SystemLookups, AddressThatIsNotLocalGivesZeroAndLeavesOutputs) {
    const unsigned long foreign = dotted(203, 0, 113, 9);  // a documentation address
    unsigned long index = 777, hop = 777;
    EXPECT_EQ(0, snmp_GetAdapterIndexByIpAddr(foreign, &index));
    EXPECT_EQ(0, snmp_GetRouteNextHopIp(foreign, &hop));
    EXPECT_EQ(777ul, index);
    EXPECT_EQ(777ul, hop);
    // Null outputs are refused rather than written through.
    EXPECT_EQ(0, snmp_GetAdapterIndexByIpAddr(dotted(127, 0, 0, 1), nullptr));
    EXPECT_EQ(0, snmp_GetMacAddrByIp(foreign, nullptr));
}

}  // namespace
}  // namespace netinfo_test
