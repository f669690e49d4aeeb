// The kernel's /proc texts parsed to rows, and the rows served as MIB-II tables
// in index order.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "netinfo/netinfo_platform.h"
#include "netinfo/stand_in_agent.h"

namespace netinfo_test {
namespace {

std::uint32_t indexOfName(const std::string& name) { return name == "eth0" ? 2 : name == "ib0" ? 3 : 0; }

TEST(KernelTables, ArpTextToRows) {
    const std::string text =
        "IP address       HW type     Flags       HW address            Mask     Device\n"
        "192.0.2.1        0x1         0x2         02:fc:00:00:00:05     *        eth0\n"
        "192.0.2.9        0x1         0x0         00:00:00:00:00:00     *        eth0\n"
        "192.0.2.10       0x1         0x2         02:fc:00:00:00:06     *        wlan7\n"
        "192.0.2.300      0x1         0x2         02:fc:00:00:00:07     *        eth0\n"
        "192.0.2.11       0x1         0x2         02:fc:0:00:00:07      *        eth0\n"
        "192.0.2.12       0x1         0x2         02:fc:00:00:00:07:    *        eth0\n"
        "truncated line\n"
        "\n"
        "10.1.0.7         0x20        0x6         80:00:00:48:fe:80:00:00:00:00:00:00:00:02:c9:03:00:0a:0b:0c *  ib0\n";
    std::vector<ArpRow> rows = parseArpText(text, indexOfName);
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ(2u, rows[0].interfaceIndex);
    EXPECT_EQ(ip32("192.0.2.1"), rows[0].address);
    EXPECT_TRUE(rows[0].complete);
    EXPECT_EQ((std::vector<unsigned char>{0x02, 0xfc, 0, 0, 0, 5}), rows[0].physical);
    EXPECT_EQ(ip32("192.0.2.9"), rows[1].address);
    EXPECT_FALSE(rows[1].complete);
    EXPECT_EQ(3u, rows[2].interfaceIndex);
    EXPECT_EQ(20u, rows[2].physical.size());
    EXPECT_EQ(0x0c, rows[2].physical[19]);
}

TEST(KernelTables, RouteTextToRowsInNetworkByteOrder) {
    const std::string text =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
        "eth0\t00000000\t010200C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
        "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
        "tun9\t0000000A\t00000000\t0001\t0\t0\t0\t000000FF\t0\t0\t0\n"
        "eth0\t0000000G\t00000000\t0001\t0\t0\t0\t000000FF\t0\t0\t0\n"
        "eth0\t0000000A\t00000000\t0001\t0\t0\t-1\t000000FF\t0\t0\t0\n"
        "eth0\t0000000A\t00000000\t0001\t0\t0\t1a0\t000000FF\t0\t0\t0\n"
        "eth0\t0000000A\t00000000\t0001\t0\t0\t4294967296\t000000FF\t0\t0\t0\n"
        "eth0\t0000000b\t00000000\t0001\t0\t0\t99\t000000ff\t0\t0\t0\n"
        "eth0\t0000000C\t00000000\t0001\t0\t0\t4294967295\t000000FF\t0\t0\t0\n"
        "eth0\t000000\n";
    std::vector<RouteRow> rows = parseRouteText(text, indexOfName);
    ASSERT_EQ(4u, rows.size());
    // Lower-case hexadecimal, and decimal fields up to their last digit and value.
    EXPECT_EQ(ip32("11.0.0.0"), rows[2].destination);
    EXPECT_EQ(ip32("255.0.0.0"), rows[2].mask);
    EXPECT_EQ(99u, rows[2].metric);
    EXPECT_EQ(4294967295u, rows[3].metric);
    EXPECT_EQ(ip32("0.0.0.0"), rows[0].destination);
    EXPECT_EQ(ip32("192.0.2.1"), rows[0].gateway);
    EXPECT_EQ(3u, rows[0].flags);
    EXPECT_EQ(100u, rows[0].metric);
    EXPECT_EQ(2u, rows[0].interfaceIndex);
    EXPECT_EQ(ip32("192.0.2.0"), rows[1].destination);
    EXPECT_EQ(ip32("0.0.0.0"), rows[0].mask);
    EXPECT_EQ(ip32("255.255.255.0"), rows[1].mask);
    // A mask that is not hexadecimal makes the line malformed.
    EXPECT_TRUE(parseRouteText("Iface\n eth0 00000000 010200C0 0003 0 0 0 FFFFFFFX 0 0 0\n", indexOfName).empty());
}

TEST(KernelTables, DottedAddresses) {
    std::uint32_t value = 7;
    EXPECT_TRUE(parseDottedAddress("192.168.1.1", &value));
    const unsigned char expected[4] = {0xC0, 0xA8, 0x01, 0x01};
    EXPECT_EQ(0, std::memcmp(&value, expected, 4));
    for (const char* bad : {"", "1.2.3", "1.2.3.4.", "1.2.3.256", "1..2.3", "01234.1.1.1", "1.2.3.4x", " 1.2.3.4"}) {
        value = 7;
        EXPECT_FALSE(parseDottedAddress(bad, &value)) << bad;
        EXPECT_EQ(7u, value) << bad;
    }
}

TEST(KernelTables, ServedInMibIndexOrder) {
    StandInAgent agent;
    auto walked = [&agent](const ObjectId& keyColumn, const ObjectId& companionColumn) {
        std::vector<std::uint32_t> seen;  // the key values in the order the walk meets them
        walkColumns(agent, keyColumn, companionColumn, [&](const MibValue& key, const MibValue&) {
            std::uint32_t value = 0;
            readAddress(key, &value);
            seen.push_back(value);
        });
        return seen;
    };
    const unsigned char mac[6] = {2, 0, 0, 0, 0, 1}, own[6] = {2, 0, 0, 0, 0, 7};
    addArpTable(*agent.table, {{2, ip32("10.0.0.9"), true, {mac, mac + 6}},
                               {1, ip32("10.0.0.10"), true, {mac, mac + 6}},
                               {1, ip32("10.0.0.9"), true, {mac, mac + 6}},
                               {3, ip32("1.200.0.0"), false, {mac, mac + 6}}});  // incomplete
    // Index order compares subidentifiers as numbers: interface first, then a.b.c.d.
    EXPECT_EQ((std::vector<std::uint32_t>{ip32("10.0.0.9"), ip32("10.0.0.10"), ip32("10.0.0.9"), ip32("1.200.0.0")}),
              walked(columns::ipNetToMediaNetAddress, columns::ipNetToMediaPhysAddress));
    addAddressTable(*agent.table, {{ip32("2.1.0.0"), 4}, {ip32("1.200.0.0"), 3}, {ip32("1.200.0.0"), 9}});
    EXPECT_EQ((std::vector<std::uint32_t>{ip32("1.200.0.0"), ip32("2.1.0.0")}),
              walked(columns::ipAdEntAddr, columns::ipAdEntIfIndex));
    unsigned long index = 0;
    ASSERT_EQ(1, getAdapterIndexByAddress(agent, ip32("1.200.0.0"), &index));
    EXPECT_EQ(3ul, index);  // the first row listed for an address is kept
    // The incomplete entry serves no hardware address, so the interface's is taken.
    addInterfaceTable(*agent.table, {{3, {own, own + 6}}, {3, {}}});
    unsigned char found[6] = {0};
    ASSERT_EQ(1, getMacAddressByIp(agent, ip32("1.200.0.0"), found));
    EXPECT_EQ(0, std::memcmp(found, own, 6));
}

// Loopback and tunnels carry the kernel's all-zero hardware address: that is no
// address, neither for an interface nor for an ARP entry.
TEST(KernelTables, AllZeroHardwareAddressIsNoAddress) {
    StandInAgent agent;
    const std::vector<unsigned char> zero(6, 0), real{2, 0, 0, 0, 0, 9};
    addInterfaceTable(*agent.table, {{1, zero}, {2, real}});
    addAddressTable(*agent.table, {{ip32("127.0.0.1"), 1}, {ip32("10.0.0.5"), 2}});
    addArpTable(*agent.table, {{2, ip32("10.0.0.7"), true, zero}});
    for (const char* address : {"127.0.0.1", "10.0.0.7"}) {
        unsigned char mac[6] = {7, 7, 7, 7, 7, 7};
        EXPECT_EQ(0, getMacAddressByIp(agent, ip32(address), mac)) << address;
        EXPECT_EQ(7, mac[0]) << address;
    }
    unsigned char mac[6] = {0};
    ASSERT_EQ(1, getMacAddressByIp(agent, ip32("10.0.0.5"), mac));
    EXPECT_EQ(0, std::memcmp(mac, real.data(), 6));
}

// A VPN's split default routes beside the real default: destination 0.0.0.0 is
// served as the /0 route however the kernel orders or weights them.
TEST(KernelTables, SplitDefaultRoutesLeaveTheDefaultRoute) {
    const RouteRow lowHalf{3, ip32("0.0.0.0"), ip32("10.2.0.1"), 0x3, 0, ip32("128.0.0.0")};
    const RouteRow highHalf{3, ip32("128.0.0.0"), ip32("10.2.0.1"), 0x3, 0, ip32("128.0.0.0")};
    const RouteRow fallback{2, ip32("0.0.0.0"), ip32("10.1.0.1"), 0x3, 100, ip32("0.0.0.0")};
    const RouteRow host{2, ip32("0.0.0.0"), ip32("10.3.0.1"), 0x7, 0, ip32("255.255.255.255")};
    const std::vector<std::vector<RouteRow>> orders = {
        {lowHalf, highHalf, fallback}, {fallback, lowHalf, highHalf}, {host, lowHalf, fallback, highHalf}};
    for (const auto& routes : orders) {
        StandInAgent agent;
        addRouteTable(*agent.table, routes, {});
        unsigned long hop = 7;
        ASSERT_EQ(1, getRouteNextHop(agent, 0, &hop));
        EXPECT_EQ(ip32("10.1.0.1"), hop);
        ASSERT_EQ(1, getRouteNextHop(agent, ip32("128.0.0.0"), &hop));
        EXPECT_EQ(ip32("10.2.0.1"), hop);
        // The served row's mask column (ipRouteMask) agrees, row for row with the destinations.
        std::vector<std::uint32_t> masks;
        walkColumns(agent, {1, 3, 6, 1, 2, 1, 4, 21, 1, 11}, columns::ipRouteDest,
                    [&](const MibValue& key, const MibValue&) {
                        std::uint32_t mask = 1;
                        EXPECT_TRUE(readAddress(key, &mask));
                        masks.push_back(mask);
                    });
        EXPECT_EQ((std::vector<std::uint32_t>{ip32("0.0.0.0"), ip32("128.0.0.0")}), masks);
    }
}

TEST(KernelTables, RouteRowsChosenPerDestination) {
    std::vector<AddressRow> addresses = {{ip32("127.0.0.1"), 1}, {ip32("192.0.2.2"), 2}, {ip32("192.0.2.3"), 2}};
    std::vector<RouteRow> routes = {
        {2, ip32("0.0.0.0"), ip32("192.0.2.1"), 0x3, 100},
        {2, ip32("0.0.0.0"), ip32("192.0.2.99"), 0x3, 50},   // lower metric: chosen
        {2, ip32("0.0.0.0"), ip32("192.0.2.98"), 0x3, 50},   // tie: the first stays
        {2, ip32("192.0.2.0"), 0, 0x1, 0},                   // direct: own address
        {5, ip32("198.51.100.0"), 0, 0x1, 0},                // direct, interface without address
        {2, ip32("203.0.113.0"), ip32("192.0.2.1"), 0x2, 0}, // not up
    };
    StandInAgent agent;
    addRouteTable(*agent.table, routes, addresses);
    unsigned long hop = 7;
    ASSERT_EQ(1, getRouteNextHop(agent, 0, &hop));
    EXPECT_EQ(ip32("192.0.2.99"), hop);
    ASSERT_EQ(1, getRouteNextHop(agent, ip32("192.0.2.0"), &hop));
    EXPECT_EQ(ip32("192.0.2.2"), hop);
    ASSERT_EQ(1, getRouteNextHop(agent, ip32("198.51.100.0"), &hop));
    EXPECT_EQ(0ul, hop);
    hop = 7;
    EXPECT_EQ(0, getRouteNextHop(agent, ip32("203.0.113.0"), &hop));
    EXPECT_EQ(7ul, hop);
}

}  // namespace
}  // namespace netinfo_test
