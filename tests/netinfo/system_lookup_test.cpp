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

unsigned long dotted(unsigned a, unsigned b, unsigned c, unsigned d) {
    unsigned char bytes[4] = {static_cast<unsigned char>(a), static_cast<unsigned char>(b),
                              static_cast<unsigned char>(c), static_cast<unsigned char>(d)};
    unsigned int value;
    std::memcpy(&value, bytes, 4);
    return value;
}

TEST(SystemLookups, DefaultRouteNextHopIsTheGateway) {
    unsigned long expected = 0;
    unsigned long hop = 12345;
    if (systemDefaultGateway(&expected)) {
        ASSERT_EQ(1, snmp_GetRouteNextHopIp(0, &hop));
        EXPECT_EQ(expected, hop);
    } else {
        EXPECT_EQ(0, snmp_GetRouteNextHopIp(0, &hop));
        EXPECT_EQ(12345ul, hop);
    }
}

TEST(SystemLookups, LoopbackAddressHasItsInterfaceIndex) {
    unsigned long index = 0;
    ASSERT_EQ(1, snmp_GetAdapterIndexByIpAddr(dotted(127, 0, 0, 1), &index));
    EXPECT_NE(0ul, index);
    EXPECT_EQ(systemLoopbackIndex(), index);
}

TEST(SystemLookups, LocalAddressesGiveTheirInterface) {
    for (const LocalAddress& local : systemLocalAddresses()) {
        unsigned long index = 0;
        ASSERT_EQ(1, snmp_GetAdapterIndexByIpAddr(local.address, &index)) << local.address;
        EXPECT_EQ(local.interfaceIndex, index);
        if (local.physical.size() == 6 && !runningUnderWine()) {
            unsigned char mac[6] = {0};
            ASSERT_EQ(1, snmp_GetMacAddrByIp(local.address, mac));
            EXPECT_EQ(0, std::memcmp(mac, local.physical.data(), 6));
        }
    }
}

TEST(SystemLookups, AddressThatIsNotLocalGivesZeroAndLeavesOutputs) {
    const unsigned long foreign = dotted(203, 0, 113, 9);  // a documentation address
    unsigned long index = 777;
    unsigned long hop = 777;
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
