// The look-up rules, through the stand-in agent with tables chosen per test.
#include <gtest/gtest.h>

#include <cstring>

#include "netinfo/netinfo_platform.h"
#include "netinfo/stand_in_agent.h"

namespace netinfo_test {
namespace {

const unsigned char kNeighbourMac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const unsigned char kOtherMac[6] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x09};
const unsigned char kOwnMac[6] = {0x52, 0x54, 0x00, 0xab, 0xcd, 0xef};
const unsigned char kSentinel[6] = {0xee, 0xee, 0xee, 0xee, 0xee, 0xee};

class LookupRules : public ::testing::Test {
protected:
    void SetUp() override {
        std::memcpy(mac, kSentinel, sizeof mac);
        // A machine with one Ethernet interface (index 2) at 10.0.0.5, loopback
        // (index 1), a neighbour 10.0.0.1, a default route and one network route.
        agent.table->addInterface(1, nullptr, 0);
        agent.table->addInterface(2, kOwnMac, 6);
        agent.table->addAddressEntry(ip32("127.0.0.1"), 1);
        agent.table->addAddressEntry(ip32("10.0.0.5"), 2);
        agent.table->addArpEntry(2, ip32("10.0.0.1"), kNeighbourMac, 6);
        agent.table->addRoute(ip32("0.0.0.0"), ip32("0.0.0.0"), ip32("10.0.0.1"), 2);
        agent.table->addRoute(ip32("10.0.0.0"), ip32("255.0.0.0"), ip32("10.0.0.5"), 2);
    }
    bool macIs(const unsigned char* expected) const { return std::memcmp(mac, expected, 6) == 0; }

    StandInAgent agent;
    unsigned char mac[6];
};

TEST_F(LookupRules, MacFromTheArpTableElseFromTheOwningInterface) {
    ASSERT_EQ(1, getMacAddressByIp(agent, ip32("10.0.0.1"), mac));
    EXPECT_TRUE(macIs(kNeighbourMac));
    EXPECT_EQ(std::vector<ObjectId>{columns::ipNetToMediaNetAddress}, agent.walkedColumns);

    ASSERT_EQ(1, getMacAddressByIp(agent, ip32("10.0.0.5"), mac));  // local, not in ARP
    EXPECT_TRUE(macIs(kOwnMac));
    EXPECT_EQ((std::vector<ObjectId>{columns::ipNetToMediaNetAddress, columns::ipNetToMediaNetAddress,
                                     columns::ipAdEntIfIndex, columns::ifIndex}),
              agent.walkedColumns);

    // Resolved on two interfaces: the row of the higher interface index wins.
    agent.table->addArpEntry(7, ip32("10.0.0.1"), kOtherMac, 6);
    agent.table->addArpEntry(3, ip32("10.0.0.1"), kOwnMac, 6);
    ASSERT_EQ(1, getMacAddressByIp(agent, ip32("10.0.0.1"), mac));
    EXPECT_TRUE(macIs(kOtherMac));

    // Unknown address (no interface walk then), or an interface missing from ifTable.
    std::memcpy(mac, kSentinel, 6);
    agent.walkedColumns.clear();
    EXPECT_EQ(0, getMacAddressByIp(agent, ip32("192.0.2.77"), mac));
    EXPECT_EQ(2u, agent.walkedColumns.size());
    agent.table->addAddressEntry(ip32("10.9.9.9"), 42);
    EXPECT_EQ(0, getMacAddressByIp(agent, ip32("10.9.9.9"), mac));
    EXPECT_TRUE(macIs(kSentinel));
}

TEST_F(LookupRules, ShortOrMissingHardwareAddressesArePassedOver) {
    const unsigned char four[4] = {1, 2, 3, 4};
    // Incomplete or short ARP entries for a local address: the interface's MAC instead.
    agent.table->addArpEntry(2, ip32("10.0.0.5"), nullptr, 0);
    agent.table->addArpEntry(3, ip32("10.0.0.5"), four, 4);
    ASSERT_EQ(1, getMacAddressByIp(agent, ip32("10.0.0.5"), mac));
    EXPECT_TRUE(macIs(kOwnMac));
    // Loopback has no hardware address, and a 4-byte one is no MAC either.
    std::memcpy(mac, kSentinel, 6);
    EXPECT_EQ(0, getMacAddressByIp(agent, ip32("127.0.0.1"), mac));
    agent.table->addInterface(2, four, 4);
    EXPECT_EQ(0, getMacAddressByIp(agent, ip32("10.0.0.5"), mac));
    EXPECT_TRUE(macIs(kSentinel));
    // A longer one gives its first six bytes.
    const unsigned char eight[8] = {9, 8, 7, 6, 5, 4, 3, 2};
    agent.table->addInterface(2, eight, 8);
    ASSERT_EQ(1, getMacAddressByIp(agent, ip32("10.0.0.5"), mac));
    EXPECT_TRUE(macIs(eight));
}

TEST_F(LookupRules, RouteAndAdapterIndexNeedAnExactMatch) {
    unsigned long hop = 12345, index = 999;
    ASSERT_EQ(1, getRouteNextHop(agent, 0, &hop));
    EXPECT_EQ(ip32("10.0.0.1"), hop);
    ASSERT_EQ(1, getRouteNextHop(agent, ip32("10.0.0.0"), &hop));
    EXPECT_EQ(ip32("10.0.0.5"), hop);
    ASSERT_EQ(1, getAdapterIndexByAddress(agent, ip32("127.0.0.1"), &index));
    EXPECT_EQ(1ul, index);
    ASSERT_EQ(1, getAdapterIndexByAddress(agent, ip32("10.0.0.5"), &index));
    EXPECT_EQ(2ul, index);
    hop = index = 999;
    EXPECT_EQ(0, getRouteNextHop(agent, ip32("10.0.0.77"), &hop));  // inside 10.0.0.0: no prefix match
    EXPECT_EQ(0, getAdapterIndexByAddress(agent, ip32("10.0.0.1"), &index));  // a neighbour, not local
    if (sizeof(unsigned long) > 4) {  // an argument wider than 32 bits is no IPv4 address
        const unsigned long wide = ip32("10.0.0.5") | (1ul << (8 * sizeof(unsigned long) - 1));
        EXPECT_EQ(0, getAdapterIndexByAddress(agent, wide, &index));
    }
    EXPECT_EQ(999ul, hop);
    EXPECT_EQ(999ul, index);
}

TEST_F(LookupRules, ValuesTooShortForAnAddressNeverMatch) {
    // A default-route row whose destination is an empty string must not pass as 0.0.0.0.
    agent.table = std::make_shared<MibTable>();
    agent.table->set(columnInstance(columns::ipRouteDest, {0, 0, 0, 0}), MibValue::makeOctets(nullptr, 0));
    agent.table->set(columnInstance(columns::ipRouteNextHop, {0, 0, 0, 0}), MibValue::makeAddress(ip32("10.0.0.1")));
    unsigned long hop = 12345;
    EXPECT_EQ(0, getRouteNextHop(agent, 0, &hop));
    EXPECT_EQ(12345ul, hop);
}

TEST_F(LookupRules, RefusedOrRepeatedAnswerEndsTheWalkOnTheRowsSeen) {
    agent.table->addRoute(ip32("10.0.0.0"), ip32("255.0.0.0"), ip32("10.0.0.254"), 2);  // replaces the route
    agent.table->addRoute(ip32("172.16.0.0"), ip32("255.240.0.0"), ip32("10.0.0.9"), 2);
    unsigned long hop = 12345;
    agent.refuseFrom = 3;  // rows 0.0.0.0 and 10.0.0.0 answered, then refused
    EXPECT_EQ(0, getRouteNextHop(agent, ip32("172.16.0.0"), &hop));
    EXPECT_EQ(12345ul, hop);
    EXPECT_EQ(3, agent.requests);
    agent.requests = 0;
    ASSERT_EQ(1, getRouteNextHop(agent, ip32("10.0.0.0"), &hop));
    EXPECT_EQ(ip32("10.0.0.254"), hop);

    agent.refuseFrom = -1;
    agent.requests = 0;
    agent.repeatFrom = 2;  // after the first row, the same row again and again
    ASSERT_EQ(1, getRouteNextHop(agent, 0, &hop));
    EXPECT_EQ(ip32("10.0.0.1"), hop);
    EXPECT_EQ(2, agent.requests);
}

TEST_F(LookupRules, FailedStartupOrNullOutputReadsNothing) {
    unsigned long value = 999;
    EXPECT_EQ(0, getMacAddressByIp(agent, ip32("10.0.0.1"), nullptr));
    EXPECT_EQ(0, getRouteNextHop(agent, 0, nullptr));
    EXPECT_EQ(0, getAdapterIndexByAddress(agent, ip32("10.0.0.5"), nullptr));
    agent.startupResult = 0;
    EXPECT_EQ(0, getMacAddressByIp(agent, ip32("10.0.0.1"), mac));
    EXPECT_EQ(0, getRouteNextHop(agent, 0, &value));
    EXPECT_EQ(0, getAdapterIndexByAddress(agent, ip32("10.0.0.5"), &value));
    EXPECT_EQ(3, agent.startupCalls);
    EXPECT_TRUE(agent.walkedColumns.empty());
    EXPECT_EQ(999ul, value);
    EXPECT_TRUE(macIs(kSentinel));
}

}  // namespace
}  // namespace netinfo_test
