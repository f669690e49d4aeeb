// The look-up rules through a stand-in agent, the kernel's /proc texts parsed to
// rows and served as MIB-II tables, and the agent's one-time set-up.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <tuple>
#include <vector>

#include "netinfo/agent_startup.h"
#include "netinfo/kernel_tables.h"
#include "netinfo/netinfo_platform.h"

namespace netinfo_test {
namespace {

using namespace util::netinfo;

// A stand-in agent: tables with chosen rows, the walks begun, and switches for a
// refused set-up, a refused request or an answer that does not move on.
class StandInAgent : public MibAgent {
public:
    std::shared_ptr<MibTable> table = std::make_shared<MibTable>();
    int startupResult = 1, startupCalls = 0, requests = 0;
    int refuseFrom = -1, repeatFrom = -1;  // request numbers (from 1) from which answers are refused or repeated
    std::vector<ObjectId> walkedColumns;   // the key column of each walk begun

    int startup() override { return ++startupCalls, startupResult; }
    std::unique_ptr<ColumnPairWalk> beginWalk(const ObjectId& key, const ObjectId& companion) override {
        walkedColumns.push_back(key);
        return std::unique_ptr<ColumnPairWalk>(new Walk(*this, beginTableWalk(table, key, companion)));
    }

private:
    struct Walk : ColumnPairWalk {
        Walk(StandInAgent& agent, std::unique_ptr<ColumnPairWalk> inner) : agent(agent), inner(std::move(inner)) {}
        bool getNext() override {
            const int request = ++agent.requests;
            if (agent.refuseFrom > 0 && request >= agent.refuseFrom) return false;
            return (agent.repeatFrom > 0 && request >= agent.repeatFrom) || inner->getNext();
        }
        bool keyInColumn() const override { return inner->keyInColumn(); }
        ObjectId keyName() const override { return inner->keyName(); }
        MibValue value(int entry) const override { return inner->value(entry); }
        StandInAgent& agent;
        std::unique_ptr<ColumnPairWalk> inner;
    };
};

std::uint32_t ip32(const char* dotted) {
    std::uint32_t value = 0;
    parseDottedAddress(dotted, &value);
    return value;
}

const unsigned char kNeighbourMac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const unsigned char kOtherMac[6] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x09};
const unsigned char kOwnMac[6] = {0x52, 0x54, 0x00, 0xab, 0xcd, 0xef};
const unsigned char kSentinel[6] = {0xee, 0xee, 0xee, 0xee, 0xee, 0xee};

class LookupRules : public ::testing::Test {
protected:
    void SetUp() override {
        std::memcpy(mac, kSentinel, sizeof mac);
        // One Ethernet interface (index 2) at 10.0.0.5, loopback (index 1), a
        // neighbour 10.0.0.1, a default route and one network route.
        agent.table->addInterface(1, nullptr, 0);
        agent.table->addInterface(2, kOwnMac, 6);
        agent.table->addAddressEntry(ip32("127.0.0.1"), 1);
        agent.table->addAddressEntry(ip32("10.0.0.5"), 2);
        agent.table->addArpEntry(2, ip32("10.0.0.1"), kNeighbourMac, 6);
        agent.table->addRoute(0, 0, ip32("10.0.0.1"), 2);
        agent.table->addRoute(ip32("10.0.0.0"), ip32("255.0.0.0"), ip32("10.0.0.5"), 2);
    }
    // The MAC found for an address, or the sentinel when the look-up fails.
    bool macOf(const char* address, const unsigned char* expected) {
        std::memcpy(mac, kSentinel, sizeof mac);
        const int found = getMacAddressByIp(agent, ip32(address), mac);
        return found == (expected != kSentinel) && std::memcmp(mac, expected, 6) == 0;
    }

    StandInAgent agent;
    unsigned char mac[6];
};

TEST_F(LookupRules, MacFromTheArpTableElseFromTheOwningInterface) {
    EXPECT_TRUE(macOf("10.0.0.1", kNeighbourMac));
    EXPECT_TRUE(macOf("10.0.0.5", kOwnMac));  // local, not in ARP
    EXPECT_EQ((std::vector<ObjectId>{columns::ipNetToMediaNetAddress, columns::ipNetToMediaNetAddress,
                                     columns::ipAdEntIfIndex, columns::ifIndex}),
              agent.walkedColumns);
    // Resolved on two interfaces: the row of the higher interface index wins.
    agent.table->addArpEntry(7, ip32("10.0.0.1"), kOtherMac, 6);
    agent.table->addArpEntry(3, ip32("10.0.0.1"), kOwnMac, 6);
    EXPECT_TRUE(macOf("10.0.0.1", kOtherMac));
    // Unknown address (no interface walk then), or an interface missing from ifTable.
    agent.walkedColumns.clear();
    EXPECT_TRUE(macOf("192.0.2.77", kSentinel));
    EXPECT_EQ(2u, agent.walkedColumns.size());
    agent.table->addAddressEntry(ip32("10.9.9.9"), 42);
    EXPECT_TRUE(macOf("10.9.9.9", kSentinel));
}

TEST_F(LookupRules, ShortOrMissingHardwareAddressesArePassedOver) {
    const unsigned char four[4] = {1, 2, 3, 4}, eight[8] = {9, 8, 7, 6, 5, 4, 3, 2};
    // Incomplete or short ARP entries for a local address: the interface's MAC instead.
    agent.table->addArpEntry(2, ip32("10.0.0.5"), nullptr, 0);
    agent.table->addArpEntry(3, ip32("10.0.0.5"), four, 4);
    EXPECT_TRUE(macOf("10.0.0.5", kOwnMac));
    EXPECT_TRUE(macOf("127.0.0.1", kSentinel));  // loopback has no hardware address
    agent.table->addInterface(2, four, 4);
    EXPECT_TRUE(macOf("10.0.0.5", kSentinel));
    agent.table->addInterface(2, eight, 8);  // a longer one gives its first six bytes
    EXPECT_TRUE(macOf("10.0.0.5", eight));
}

TEST_F(LookupRules, RouteAndAdapterIndexNeedAnExactMatch) {
    unsigned long hop = 12345, index = 999;
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
    // A default-route row whose destination is an empty string must not pass as 0.0.0.0.
    agent.table = std::make_shared<MibTable>();
    agent.table->set(columnInstance(columns::ipRouteDest, {0, 0, 0, 0}), MibValue::makeOctets(nullptr, 0));
    agent.table->set(columnInstance(columns::ipRouteNextHop, {0, 0, 0, 0}), MibValue::makeAddress(ip32("10.0.0.1")));
    EXPECT_EQ(0, getRouteNextHop(agent, 0, &hop));
    EXPECT_EQ(999ul, hop);
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
    EXPECT_TRUE(macOf("10.0.0.1", kSentinel));
    EXPECT_EQ(0, getRouteNextHop(agent, 0, &value));
    EXPECT_EQ(0, getAdapterIndexByAddress(agent, ip32("10.0.0.5"), &value));
    EXPECT_EQ(3, agent.startupCalls);
    EXPECT_TRUE(agent.walkedColumns.empty());
    EXPECT_EQ(999ul, value);
}

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
    EXPECT_EQ(std::make_tuple(2u, ip32("192.0.2.1"), true), std::make_tuple(rows[0].interfaceIndex, rows[0].address,
                                                                            rows[0].complete));
    EXPECT_EQ((std::vector<unsigned char>{0x02, 0xfc, 0, 0, 0, 5}), rows[0].physical);
    EXPECT_EQ(ip32("192.0.2.9"), rows[1].address);
    EXPECT_FALSE(rows[1].complete);
    EXPECT_EQ(3u, rows[2].interfaceIndex);
    EXPECT_EQ(20u, rows[2].physical.size());
    EXPECT_EQ(0x0c, rows[2].physical[19]);
}

TEST(KernelTables, RouteTextToRowsInNetworkByteOrder) {
    // Malformed: a non-digit above 'F' or '9', a negative, an overflowing metric, a cut line.
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
    const auto fields = [](const RouteRow& row) {
        return std::make_tuple(row.interfaceIndex, row.destination, row.gateway, row.flags, row.metric, row.mask);
    };
    const std::vector<RouteRow> expected = {{2, 0, ip32("192.0.2.1"), 3, 100, 0},
                                            {2, ip32("192.0.2.0"), 0, 1, 0, ip32("255.255.255.0")},
                                            {2, ip32("11.0.0.0"), 0, 1, 99, ip32("255.0.0.0")},
                                            {2, ip32("12.0.0.0"), 0, 1, 4294967295u, ip32("255.0.0.0")}};
    std::vector<RouteRow> rows = parseRouteText(text, indexOfName);
    ASSERT_EQ(expected.size(), rows.size());
    for (std::size_t index = 0; index < rows.size(); ++index) EXPECT_EQ(fields(expected[index]), fields(rows[index]));
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

// Index order compares subidentifiers as numbers; loopback and tunnels carry the
// kernel's all-zero hardware address, which is no address.
TEST(KernelTables, ServedInMibIndexOrderWithoutAllZeroHardwareAddresses) {
    StandInAgent agent;
    const auto walked = [&agent](const ObjectId& keyColumn, const ObjectId& companionColumn) {
        std::vector<std::uint32_t> seen;  // the key values in the order the walk meets them
        walkColumns(agent, keyColumn, companionColumn, [&](const MibValue& key, const MibValue&) {
            std::uint32_t value = 0;
            EXPECT_TRUE(readAddress(key, &value));
            seen.push_back(value);
        });
        return seen;
    };
    const std::vector<unsigned char> mac{2, 0, 0, 0, 0, 1}, own{2, 0, 0, 0, 0, 7}, zero(6, 0);
    addArpTable(*agent.table, {{2, ip32("10.0.0.9"), true, mac},
                               {1, ip32("10.0.0.10"), true, mac},
                               {1, ip32("10.0.0.9"), true, mac},
                               {3, ip32("1.200.0.0"), false, mac},  // incomplete
                               {2, ip32("10.0.0.7"), true, zero}});
    EXPECT_EQ((std::vector<std::uint32_t>{ip32("10.0.0.9"), ip32("10.0.0.10"), ip32("10.0.0.7"), ip32("10.0.0.9"),
                                          ip32("1.200.0.0")}),
              walked(columns::ipNetToMediaNetAddress, columns::ipNetToMediaPhysAddress));
    addAddressTable(*agent.table, {{ip32("2.1.0.0"), 4}, {ip32("1.200.0.0"), 3}, {ip32("1.200.0.0"), 9},
                                   {ip32("127.0.0.1"), 1}});
    EXPECT_EQ((std::vector<std::uint32_t>{ip32("1.200.0.0"), ip32("2.1.0.0"), ip32("127.0.0.1")}),
              walked(columns::ipAdEntAddr, columns::ipAdEntIfIndex));
    unsigned long index = 0;
    ASSERT_EQ(1, getAdapterIndexByAddress(agent, ip32("1.200.0.0"), &index));
    EXPECT_EQ(3ul, index);  // the first row listed for an address is kept
    addInterfaceTable(*agent.table, {{3, own}, {3, {}}, {1, zero}});
    unsigned char found[6] = {0};
    ASSERT_EQ(1, getMacAddressByIp(agent, ip32("1.200.0.0"), found));  // the incomplete entry: the interface's
    EXPECT_EQ(0, std::memcmp(found, own.data(), 6));
    for (const char* address : {"127.0.0.1", "10.0.0.7"}) {
        unsigned char none[6] = {7, 7, 7, 7, 7, 7};
        EXPECT_EQ(0, getMacAddressByIp(agent, ip32(address), none)) << address;
        EXPECT_EQ(7, none[0]) << address;
    }
}

// A VPN's split default routes beside the real default: destination 0.0.0.0 is
// served as the /0 route however the kernel orders or weights them. Among rows of
// one prefix the lowest metric wins, the first on a tie; a direct route's hop is
// an own address of its interface.
TEST(KernelTables, RouteRowsChosenPerDestination) {
    const RouteRow lowHalf{3, 0, ip32("10.2.0.1"), 0x3, 0, ip32("128.0.0.0")};
    const RouteRow highHalf{3, ip32("128.0.0.0"), ip32("10.2.0.1"), 0x3, 0, ip32("128.0.0.0")};
    const RouteRow fallback{2, 0, ip32("10.1.0.1"), 0x3, 100, 0};
    const RouteRow host{2, 0, ip32("10.3.0.1"), 0x7, 0, ip32("255.255.255.255")};
    const RouteRow worse{2, 0, ip32("10.1.0.99"), 0x3, 200, 0}, tie{2, 0, ip32("10.1.0.98"), 0x3, 100, 0};
    const std::vector<RouteRow> others = {
        {2, ip32("192.0.2.0"), 0, 0x1, 0},                     // direct: own address
        {5, ip32("198.51.100.0"), 0, 0x1, 0},                  // direct, interface without address
        {2, ip32("203.0.113.0"), ip32("192.0.2.1"), 0x2, 0}};  // not up
    const std::vector<AddressRow> addresses = {{ip32("127.0.0.1"), 1}, {ip32("192.0.2.2"), 2}, {ip32("192.0.2.3"), 2}};
    for (auto routes : std::vector<std::vector<RouteRow>>{
             {lowHalf, highHalf, fallback, tie, worse}, {worse, fallback, lowHalf, highHalf, tie},
             {host, lowHalf, fallback, tie, highHalf, worse}}) {
        routes.insert(routes.end(), others.begin(), others.end());
        StandInAgent agent;
        addRouteTable(*agent.table, routes, addresses);
        const struct { const char* destination; int found; std::uint32_t hop; } expected[] = {
            {"0.0.0.0", 1, ip32("10.1.0.1")}, {"128.0.0.0", 1, ip32("10.2.0.1")}, {"192.0.2.0", 1, ip32("192.0.2.2")},
            {"198.51.100.0", 1, 0}, {"203.0.113.0", 0, 7}};
        for (const auto& route : expected) {
            unsigned long hop = 7;
            EXPECT_EQ(route.found, getRouteNextHop(agent, ip32(route.destination), &hop)) << route.destination;
            EXPECT_EQ(route.hop, hop) << route.destination;
        }
        // The served mask column (ipRouteMask) agrees, row for row with the destinations.
        std::vector<std::uint32_t> masks;
        walkColumns(agent, {1, 3, 6, 1, 2, 1, 4, 21, 1, 11}, columns::ipRouteDest,
                    [&](const MibValue& key, const MibValue&) {
                        std::uint32_t mask = 1;
                        EXPECT_TRUE(readAddress(key, &mask));
                        masks.push_back(mask);
                    });
        EXPECT_EQ((std::vector<std::uint32_t>{0, ip32("128.0.0.0"), ip32("255.255.255.255"), ip32("255.255.255.255")}),
                  masks);
    }
}

class CountingLoader : public AgentLoader {
public:
    std::atomic<int> sockets{0}, loads{0}, initialisations{0};
    bool socketsWork = true, loadWorks = true, initialiseWorks = true, slow = false;

    bool startSockets() override { return step(sockets, socketsWork); }
    bool loadAgent() override { return step(loads, loadWorks); }
    bool initialiseAgent() override { return step(initialisations, initialiseWorks); }

private:
    bool step(std::atomic<int>& count, bool works) {
        ++count;
        if (slow) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return works;
    }
};

TEST(AgentStartup, RetriesExactlyTheStepsThatFailed) {
    struct Call {
        bool sockets, load, initialise;
        int ready, socketCalls, loadCalls, initialiseCalls;  // afterwards, counted from the start
    };
    const std::vector<std::vector<Call>> scenarios = {
        // No agent: sockets and load again on every call; no load without sockets.
        {{1, 0, 1, 0, 1, 1, 0}, {0, 1, 1, 0, 2, 1, 0}, {1, 1, 1, 1, 3, 2, 1}},
        // A failed initialisation is retried on the loaded agent; once ready, the loader rests.
        {{1, 1, 0, 0, 1, 1, 1}, {1, 1, 0, 0, 1, 1, 2}, {1, 1, 1, 1, 1, 1, 3}, {1, 1, 1, 1, 1, 1, 3}},
    };
    for (const auto& calls : scenarios) {
        CountingLoader loader;
        AgentStartup startup(loader);
        for (const Call& expected : calls) {
            loader.socketsWork = expected.sockets;
            loader.loadWorks = expected.load;
            loader.initialiseWorks = expected.initialise;
            EXPECT_EQ(expected.ready, startup.run());
            EXPECT_EQ(std::make_tuple(expected.socketCalls, expected.loadCalls, expected.initialiseCalls),
                      std::make_tuple(loader.sockets.load(), loader.loads.load(), loader.initialisations.load()));
        }
    }
}

TEST(AgentStartup, ConcurrentFirstCallsSetUpOnce) {
    CountingLoader loader;
    loader.slow = true;
    AgentStartup startup(loader);
    std::atomic<bool> go{false};
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&] {
            while (!go) std::this_thread::yield();
            ready += startup.run();
        });
    }
    go = true;
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(8, ready);
    EXPECT_EQ(std::make_tuple(1, 1, 1),
              std::make_tuple(loader.sockets.load(), loader.loads.load(), loader.initialisations.load()));
}

}  // namespace
}  // namespace netinfo_test
