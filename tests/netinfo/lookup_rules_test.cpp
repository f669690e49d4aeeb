// The look-up rules through a stand-in agent, the kernel's /proc texts parsed to
// rows and served as MIB-II tables, and the agent's one-time set-up.
#include <gtest/gtest.h>

#include <algorithm>
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
const unsigned char kOwnMac[6] = {0x52, 0x54, 0x00, 0xab, 0xcd, 0xef};
const unsigned char kSentinel[6] = {0xee, 0xee, 0xee, 0xee, 0xee, 0xee};
const unsigned long kNone = 999;

// The agent and the look-ups' answers; LookupRules gives the agent a small machine.
class Lookups : public ::testing::Test {
protected:
    // Whether the MAC found for an address is expected (kSentinel: not found, mac untouched).
    bool macOf(const char* address, const unsigned char* expected) {
        std::memcpy(mac, kSentinel, sizeof mac);
        const int found = getMacAddressByIp(agent, ip32(address), mac);
        return found == (expected != kSentinel) && std::memcmp(mac, expected, 6) == 0;
    }
    // A route or adapter-index look-up's output when it finds one; kNone when it
    // neither finds nor touches the output.
    unsigned long answer(int (*lookup)(MibAgent&, unsigned long, unsigned long*), unsigned long ip) {
        unsigned long output = kNone;
        const int found = lookup(agent, ip, &output);
        return found == 1 ? output : found == 0 && output == kNone ? kNone : 0xBAD;
    }

    StandInAgent agent;
    unsigned char mac[6];
};

class LookupRules : public Lookups {
protected:
    void SetUp() override {
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
};

TEST_F(LookupRules, MacFromTheArpTableElseFromTheOwningInterface) {
    EXPECT_TRUE(macOf("10.0.0.1", kNeighbourMac));
    EXPECT_TRUE(macOf("10.0.0.5", kOwnMac));  // local, not in ARP
    // Resolved on two interfaces: the row of the higher interface index wins.
    agent.table->addArpEntry(7, ip32("10.0.0.1"), kOwnMac, 6);
    agent.table->addArpEntry(3, ip32("10.0.0.1"), kNeighbourMac, 6);
    EXPECT_TRUE(macOf("10.0.0.1", kOwnMac));
    // Unknown address, or an interface missing from ifTable.
    EXPECT_TRUE(macOf("192.0.2.77", kSentinel));
    agent.table->addAddressEntry(ip32("10.9.9.9"), 42);
    EXPECT_TRUE(macOf("10.9.9.9", kSentinel));
}

TEST_F(LookupRules, ShortOrMissingHardwareAddressesArePassedOver) {
    const unsigned char four[4] = {1, 2, 3, 4}, eight[8] = {9, 8, 7, 6, 5, 4, 3, 2};
    // A short ARP entry for a local address: the interface's MAC instead.
    agent.table->addArpEntry(3, ip32("10.0.0.5"), four, 4);
    EXPECT_TRUE(macOf("10.0.0.5", kOwnMac));
    EXPECT_TRUE(macOf("127.0.0.1", kSentinel));  // loopback has no hardware address
    agent.table->addInterface(2, four, 4);
    EXPECT_TRUE(macOf("10.0.0.5", kSentinel));
    agent.table->addInterface(2, eight, 8);  // a longer one gives its first six bytes
    EXPECT_TRUE(macOf("10.0.0.5", eight));
}

TEST_F(LookupRules, RouteAndAdapterIndexNeedAnExactMatch) {
    EXPECT_EQ(ip32("10.0.0.5"), answer(getRouteNextHop, ip32("10.0.0.0")));
    EXPECT_EQ(1ul, answer(getAdapterIndexByAddress, ip32("127.0.0.1")));
    EXPECT_EQ(2ul, answer(getAdapterIndexByAddress, ip32("10.0.0.5")));
    EXPECT_EQ(kNone, answer(getRouteNextHop, ip32("10.0.0.77")));          // inside 10.0.0.0: no prefix match
    EXPECT_EQ(kNone, answer(getAdapterIndexByAddress, ip32("10.0.0.1")));  // a neighbour, not local
    if (sizeof(unsigned long) > 4) {  // an argument wider than 32 bits is no IPv4 address
        EXPECT_EQ(kNone, answer(getAdapterIndexByAddress, ip32("10.0.0.5") | (1ul << (8 * sizeof(long) - 1))));
    }
    // A default-route row whose destination is an empty string must not pass as 0.0.0.0.
    agent.table = std::make_shared<MibTable>();
    agent.table->set(columnInstance(columns::ipRouteDest, {0, 0, 0, 0}), MibValue::makeOctets(nullptr, 0));
    agent.table->set(columnInstance(columns::ipRouteNextHop, {0, 0, 0, 0}), MibValue::makeAddress(ip32("10.0.0.1")));
    EXPECT_EQ(kNone, answer(getRouteNextHop, 0));
}

TEST_F(LookupRules, RefusedOrRepeatedAnswerEndsTheWalkOnTheRowsSeen) {
    agent.table->addRoute(ip32("172.16.0.0"), ip32("255.240.0.0"), ip32("10.0.0.9"), 2);
    agent.refuseFrom = 3;  // rows 0.0.0.0 and 10.0.0.0 answered, then refused
    EXPECT_EQ(kNone, answer(getRouteNextHop, ip32("172.16.0.0")));
    EXPECT_EQ(3, agent.requests);
    agent.requests = 0;
    EXPECT_EQ(ip32("10.0.0.5"), answer(getRouteNextHop, ip32("10.0.0.0")));
    agent.refuseFrom = -1;
    agent.requests = 0;
    agent.repeatFrom = 2;  // after the first row, the same row again and again
    EXPECT_EQ(ip32("10.0.0.1"), answer(getRouteNextHop, 0));
    EXPECT_EQ(2, agent.requests);
}

TEST_F(LookupRules, FailedStartupOrNullOutputReadsNothing) {
    EXPECT_EQ(0, getMacAddressByIp(agent, ip32("10.0.0.1"), nullptr));
    EXPECT_EQ(0, getRouteNextHop(agent, 0, nullptr));
    EXPECT_EQ(0, getAdapterIndexByAddress(agent, ip32("10.0.0.5"), nullptr));
    agent.startupResult = 0;
    EXPECT_TRUE(macOf("10.0.0.1", kSentinel));
    EXPECT_EQ(kNone, answer(getRouteNextHop, 0));
    EXPECT_EQ(kNone, answer(getAdapterIndexByAddress, ip32("10.0.0.5")));
    EXPECT_EQ(3, agent.startupCalls);
    EXPECT_TRUE(agent.walkedColumns.empty());
}

// The addresses in a column, in the order a walk meets them.
std::vector<std::uint32_t> keysOf(MibAgent& agent, const ObjectId& keyColumn, const ObjectId& companionColumn) {
    std::vector<std::uint32_t> keys;
    walkColumns(agent, keyColumn, companionColumn, [&](const MibValue& key, const MibValue&) {
        std::uint32_t value = 1;
        EXPECT_TRUE(readAddress(key, &value));
        keys.push_back(value);
    });
    return keys;
}

std::uint32_t indexOfName(const std::string& name) { return name == "eth0" ? 2 : name == "ib0" ? 3 : 0; }

TEST(KernelTables, ProcTextsAndDottedAddressesToRows) {
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
    const auto fields = [](const ArpRow& row) {
        return std::make_tuple(row.interfaceIndex, row.address, row.complete, row.physical.size(), row.physical.back());
    };
    EXPECT_EQ(std::make_tuple(2u, ip32("192.0.2.1"), true, 6u, 0x05), fields(rows[0]));
    EXPECT_EQ((std::vector<unsigned char>{0x02, 0xfc, 0, 0, 0, 5}), rows[0].physical);
    EXPECT_EQ(std::make_tuple(2u, ip32("192.0.2.9"), false, 6u, 0x00), fields(rows[1]));
    EXPECT_EQ(std::make_tuple(3u, ip32("10.1.0.7"), true, 20u, 0x0c), fields(rows[2]));

    // Route fields in network byte order. Malformed: a non-digit above 'F' or '9', a
    // negative or an overflowing metric, a cut line.
    const std::string routeText =
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
    const auto routeFields = [](const RouteRow& row) {
        return std::make_tuple(row.interfaceIndex, row.destination, row.gateway, row.flags, row.metric, row.mask);
    };
    const std::vector<RouteRow> expected = {{2, 0, ip32("192.0.2.1"), 3, 100, 0},
                                            {2, ip32("192.0.2.0"), 0, 1, 0, ip32("255.255.255.0")},
                                            {2, ip32("11.0.0.0"), 0, 1, 99, ip32("255.0.0.0")},
                                            {2, ip32("12.0.0.0"), 0, 1, 4294967295u, ip32("255.0.0.0")}};
    const std::vector<RouteRow> routes = parseRouteText(routeText, indexOfName);
    ASSERT_EQ(expected.size(), routes.size());
    for (std::size_t i = 0; i < routes.size(); ++i) EXPECT_EQ(routeFields(expected[i]), routeFields(routes[i]));
    // A mask that is not hexadecimal makes the line malformed.
    EXPECT_TRUE(parseRouteText("Iface\n eth0 00000000 010200C0 0003 0 0 0 FFFFFFFX 0 0 0\n", indexOfName).empty());

    // Dotted addresses (their byte order is checked against the route text's above).
    for (const char* bad : {"", "1.2.3", "1.2.3.4.", "1.2.3.256", "1..2.3", "01234.1.1.1", "1.2.3.4x", " 1.2.3.4"}) {
        std::uint32_t value = 7;
        EXPECT_FALSE(parseDottedAddress(bad, &value)) << bad;
        EXPECT_EQ(7u, value) << bad;
    }
}

// Index order compares subidentifiers as numbers; loopback and tunnels carry the
// kernel's all-zero hardware address, which is no address.
TEST_F(Lookups, KernelRowsServedInMibIndexOrderWithoutAllZeroHardwareAddresses) {
    const std::vector<unsigned char> mac{2, 0, 0, 0, 0, 1}, own{2, 0, 0, 0, 0, 7}, zero(6, 0);
    addArpTable(*agent.table, {{2, ip32("10.0.0.9"), true, mac},
                               {1, ip32("10.0.0.10"), true, mac},
                               {1, ip32("10.0.0.9"), true, mac},
                               {3, ip32("1.200.0.0"), false, mac},  // incomplete
                               {2, ip32("10.0.0.7"), true, zero}});
    EXPECT_EQ((std::vector<std::uint32_t>{ip32("10.0.0.9"), ip32("10.0.0.10"), ip32("10.0.0.7"), ip32("10.0.0.9"),
                                          ip32("1.200.0.0")}),
              keysOf(agent, columns::ipNetToMediaNetAddress, columns::ipNetToMediaPhysAddress));
    addAddressTable(*agent.table,
                    {{ip32("2.1.0.0"), 4}, {ip32("1.200.0.0"), 3}, {ip32("1.200.0.0"), 9}, {ip32("127.0.0.1"), 1}});
    EXPECT_EQ((std::vector<std::uint32_t>{ip32("1.200.0.0"), ip32("2.1.0.0"), ip32("127.0.0.1")}),
              keysOf(agent, columns::ipAdEntAddr, columns::ipAdEntIfIndex));
    EXPECT_EQ(3ul, answer(getAdapterIndexByAddress, ip32("1.200.0.0")));  // the first row listed is kept
    addInterfaceTable(*agent.table, {{3, own}, {3, {}}, {1, zero}});
    EXPECT_TRUE(macOf("1.200.0.0", own.data()));  // the incomplete entry: the interface's
    EXPECT_TRUE(macOf("127.0.0.1", kSentinel));
    EXPECT_TRUE(macOf("10.0.0.7", kSentinel));
}

// A VPN's split default routes beside the real default: destination 0.0.0.0 is
// served as the /0 route however the kernel orders or weights them. Among rows of
// one prefix the lowest metric wins, the first on a tie; a direct route's hop is
// an own address of its interface.
TEST_F(Lookups, KernelRouteRowsChosenPerDestination) {
    const RouteRow lowHalf{3, 0, ip32("10.2.0.1"), 0x3, 0, ip32("128.0.0.0")};
    const RouteRow highHalf{3, ip32("128.0.0.0"), ip32("10.2.0.1"), 0x3, 0, ip32("128.0.0.0")};
    const RouteRow fallback{2, 0, ip32("10.1.0.1"), 0x3, 100, 0};
    const RouteRow worse{2, 0, ip32("10.1.0.99"), 0x3, 200, 0}, tie{2, 0, ip32("10.1.0.98"), 0x3, 100, 0};
    const std::vector<RouteRow> others = {{2, ip32("192.0.2.0"), 0, 0x1, 0},     // direct: own address
                                          {5, ip32("198.51.100.0"), 0, 0x1, 0},  // direct, interface without address
                                          {2, ip32("203.0.113.0"), ip32("192.0.2.1"), 0x2, 0}};  // not up
    const std::vector<AddressRow> addresses = {{ip32("127.0.0.1"), 1}, {ip32("192.0.2.2"), 2}, {ip32("192.0.2.3"), 2}};
    for (auto routes : std::vector<std::vector<RouteRow>>{{lowHalf, highHalf, fallback, tie, worse},
                                                          {worse, fallback, lowHalf, highHalf, tie},
                                                          {lowHalf, fallback, tie, highHalf, worse}}) {
        routes.insert(routes.end(), others.begin(), others.end());
        agent.table = std::make_shared<MibTable>();
        addRouteTable(*agent.table, routes, addresses);
        const struct {
            const char* destination;
            unsigned long hop;
        } expected[] = {{"0.0.0.0", ip32("10.1.0.1")},
                        {"128.0.0.0", ip32("10.2.0.1")},
                        {"192.0.2.0", ip32("192.0.2.2")},
                        {"198.51.100.0", 0},
                        {"203.0.113.0", kNone}};
        for (const auto& route : expected) {
            EXPECT_EQ(route.hop, answer(getRouteNextHop, ip32(route.destination))) << route.destination;
        }
        // The served mask column (ipRouteMask) agrees, row for row with the destinations.
        EXPECT_EQ((std::vector<std::uint32_t>{0, ip32("128.0.0.0"), ip32("255.255.255.255"), ip32("255.255.255.255")}),
                  keysOf(agent, {1, 3, 6, 1, 2, 1, 4, 21, 1, 11}, columns::ipRouteDest));
    }
}

// Counts each set-up step (sockets, load, initialise); each works as switched, and
// slowly: concurrent first callers all arrive while the first is setting up.
struct CountingLoader : AgentLoader {
    std::atomic<int> calls[3]{};
    bool works[3] = {true, true, true};
    bool step(int which) {
        ++calls[which];
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return works[which];
    }
    bool startSockets() override { return step(0); }
    bool loadAgent() override { return step(1); }
    bool initialiseAgent() override { return step(2); }
    std::vector<int> counts() const { return {calls[0], calls[1], calls[2]}; }
};

TEST(AgentStartup, RetriesExactlyTheStepsThatFailed) {
    // Per call: the steps that work, then whether it is ready and each step's calls so far.
    struct Call {
        std::vector<int> works;
        int ready;
        std::vector<int> counts;
    };
    const std::vector<std::vector<Call>> scenarios = {
        // No agent: sockets and load again on every call; no load without sockets.
        {{{1, 0, 1}, 0, {1, 1, 0}}, {{0, 1, 1}, 0, {2, 1, 0}}, {{1, 1, 1}, 1, {3, 2, 1}}},
        // A failed initialisation is retried on the loaded agent; once ready, the loader rests.
        {{{1, 1, 0}, 0, {1, 1, 1}}, {{1, 1, 1}, 1, {1, 1, 2}}, {{1, 1, 1}, 1, {1, 1, 2}}},
    };
    for (const auto& calls : scenarios) {
        CountingLoader loader;
        AgentStartup startup(loader);
        for (const Call& call : calls) {
            std::copy(call.works.begin(), call.works.end(), loader.works);
            EXPECT_EQ(call.ready, startup.run());
            EXPECT_EQ(call.counts, loader.counts());
        }
    }
}

TEST(AgentStartup, ConcurrentFirstCallsSetUpOnce) {
    CountingLoader loader;
    AgentStartup startup(loader);
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) threads.emplace_back([&] { ready += startup.run(); });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(8, ready);
    EXPECT_EQ((std::vector<int>{1, 1, 1}), loader.counts());
}

}  // namespace
}  // namespace netinfo_test
