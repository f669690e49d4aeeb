// The look-up rules (stand-in agent), the kernel's /proc texts as MIB-II rows, the agent's set-up.
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

std::uint32_t ip32(const char* dotted) {
    std::uint32_t value = 0;
    parseDottedAddress(dotted, &value);
    return value;
}

const unsigned char kNeighbourMac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const unsigned char kOwnMac[6] = {0x52, 0x54, 0x00, 0xab, 0xcd, 0xef};
const unsigned char kSentinel[6] = {0xee, 0xee, 0xee, 0xee, 0xee, 0xee};
const unsigned long kNone = 999;

// The fixture is a stand-in agent (a refused set-up, answers that stop moving on from request
// repeatFrom) holding a machine: Ethernet (index 2) at 10.0.0.5, loopback (1), a neighbour, two routes.
class Lookups : public ::testing::Test, public MibAgent {
protected:
    void SetUp() override {
        table->addInterface(1, nullptr, 0);
        table->addInterface(2, kOwnMac, 6);
        table->addAddressEntry(ip32("127.0.0.1"), 1);
        table->addAddressEntry(ip32("10.0.0.5"), 2);
        table->addArpEntry(2, ip32("10.0.0.1"), kNeighbourMac, 6);
        table->addRoute(0, 0, ip32("10.0.0.1"), 2);
        table->addRoute(ip32("10.0.0.0"), ip32("255.0.0.0"), ip32("10.0.0.5"), 2);
    }
    int startup() override { return startupResult; }
    std::unique_ptr<ColumnPairWalk> beginWalk(const ObjectId& key, const ObjectId& companion) override {
        return std::unique_ptr<ColumnPairWalk>(new Walk(*this, beginTableWalk(table, key, companion)));
    }
    // Whether the MAC found for an address is expected (kSentinel: not found, mac untouched).
    bool macOf(const char* address, const unsigned char* expected) {
        std::memcpy(mac, kSentinel, sizeof mac);
        const int found = getMacAddressByIp(*this, ip32(address), mac);
        return found == (expected != kSentinel) && std::memcmp(mac, expected, 6) == 0;
    }
    // A route or adapter-index look-up's output when found; kNone when neither found nor output touched.
    unsigned long answer(int (*lookup)(MibAgent&, unsigned long, unsigned long*), unsigned long ip) {
        unsigned long output = kNone;
        const int found = lookup(*this, ip, &output);
        return found == 1 ? output : found == 0 && output == kNone ? kNone : 0xBAD;
    }

    std::shared_ptr<MibTable> table = std::make_shared<MibTable>();
    int startupResult = 1, requests = 0, repeatFrom = -1;
    unsigned char mac[6];

private:
    struct Walk : ColumnPairWalk {
        Walk(Lookups& agent, std::unique_ptr<ColumnPairWalk> inner) : agent(agent), inner(std::move(inner)) {}
        bool getNext() override {
            return (++agent.requests >= agent.repeatFrom && agent.repeatFrom > 0) || inner->getNext();
        }
        bool keyInColumn() const override { return inner->keyInColumn(); }
        ObjectId keyName() const override { return inner->keyName(); }
        MibValue value(int entry) const override { return inner->value(entry); }
        Lookups& agent;
        std::unique_ptr<ColumnPairWalk> inner;
    };
};

TEST_F(Lookups, MacFromTheArpTableElseFromTheOwningInterface) {
    EXPECT_TRUE(macOf("10.0.0.1", kNeighbourMac));
    EXPECT_TRUE(macOf("10.0.0.5", kOwnMac));  // local, not in ARP
    // Of two interfaces' rows the higher index wins; a short ARP entry gives way to the interface's MAC.
    const unsigned char four[4] = {1, 2, 3, 4}, eight[8] = {9, 8, 7, 6, 5, 4, 3, 2};
    table->addArpEntry(7, ip32("10.0.0.1"), kOwnMac, 6);
    table->addArpEntry(3, ip32("10.0.0.1"), kNeighbourMac, 6);
    table->addArpEntry(3, ip32("10.0.0.5"), four, 4);
    EXPECT_TRUE(macOf("10.0.0.1", kOwnMac));
    EXPECT_TRUE(macOf("10.0.0.5", kOwnMac));
    // No interface row or a short hardware address: none; a longer one gives its first six bytes.
    table->addAddressEntry(ip32("10.9.9.9"), 42);
    EXPECT_TRUE(macOf("10.9.9.9", kSentinel));
    table->addInterface(2, four, 4);
    EXPECT_TRUE(macOf("10.0.0.5", kSentinel));
    table->addInterface(2, eight, 8);
    EXPECT_TRUE(macOf("10.0.0.5", eight));
}

TEST_F(Lookups, RouteAndAdapterIndexNeedAnExactMatchAndAWorkingAgent) {
    // An answer that does not move on ends the walk on the rows seen; a failed set-up reads nothing.
    repeatFrom = 2;
    EXPECT_EQ(ip32("10.0.0.1"), answer(getRouteNextHop, 0));
    EXPECT_EQ(2, requests);
    startupResult = 0;
    EXPECT_TRUE(macOf("10.0.0.1", kSentinel));
    EXPECT_EQ(kNone, answer(getRouteNextHop, 0));
    EXPECT_EQ(kNone, answer(getAdapterIndexByAddress, ip32("10.0.0.5")));
    EXPECT_EQ(2, requests);
    startupResult = 1;
    repeatFrom = -1;
    EXPECT_EQ(ip32("10.0.0.5"), answer(getRouteNextHop, ip32("10.0.0.0")));
    EXPECT_EQ(2ul, answer(getAdapterIndexByAddress, ip32("10.0.0.5")));
    EXPECT_EQ(kNone, answer(getRouteNextHop, ip32("10.0.0.77")));          // inside 10.0.0.0: no prefix match
    EXPECT_EQ(kNone, answer(getAdapterIndexByAddress, ip32("10.0.0.1")));  // a neighbour, not local
    if (sizeof(unsigned long) > 4) {  // an argument wider than 32 bits is no IPv4 address
        EXPECT_EQ(kNone, answer(getAdapterIndexByAddress, ip32("10.0.0.5") | (1ul << (8 * sizeof(long) - 1))));
    }
    EXPECT_EQ(0, getMacAddressByIp(*this, ip32("10.0.0.1"), nullptr));
    EXPECT_EQ(0, getRouteNextHop(*this, 0, nullptr));
    EXPECT_EQ(0, getAdapterIndexByAddress(*this, ip32("10.0.0.5"), nullptr));
    // A default-route row whose destination is an empty string must not pass as 0.0.0.0.
    table->set(columnInstance(columns::ipRouteDest, {0, 0, 0, 0}), MibValue::makeOctets(nullptr, 0));
    EXPECT_EQ(kNone, answer(getRouteNextHop, 0));
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

    // Malformed: a non-digit above 'F' or '9', a negative or overflowing metric, a bad mask, a cut line.
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
        "eth0\t0000000D\t00000000\t0001\t0\t0\t0\tFFFFFFFX\t0\t0\t0\n"
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

    // Dotted addresses (their byte order is checked against the route text's above).
    for (const char* bad : {"", "1.2.3", "1.2.3.4.", "1.2.3.256", "1..2.3", "01234.1.1.1", "1.2.3.4x", " 1.2.3.4"}) {
        std::uint32_t value = 7;
        EXPECT_TRUE(!parseDottedAddress(bad, &value) && value == 7) << bad;
    }
}

// The kernel's all-zero hardware address (loopback, tunnels) is none; a row listed twice keeps the first.
TEST_F(Lookups, KernelRowsServedWithoutAllZeroHardwareAddresses) {
    table = std::make_shared<MibTable>();
    const std::vector<unsigned char> mac{2, 0, 0, 0, 0, 1}, own{2, 0, 0, 0, 0, 7}, zero(6, 0);
    addArpTable(*table, {{3, ip32("1.200.0.0"), false, mac}, {2, ip32("10.0.0.7"), true, zero}});
    addAddressTable(*table, {{ip32("1.200.0.0"), 3}, {ip32("1.200.0.0"), 9}, {ip32("127.0.0.1"), 1}});
    addInterfaceTable(*table, {{3, own}, {3, {}}, {1, zero}});
    EXPECT_EQ(3ul, answer(getAdapterIndexByAddress, ip32("1.200.0.0")));
    EXPECT_TRUE(macOf("1.200.0.0", own.data()));  // an incomplete entry: the interface's
    EXPECT_TRUE(macOf("127.0.0.1", kSentinel));
    EXPECT_TRUE(macOf("10.0.0.7", kSentinel));
}

// A VPN's split defaults beside the real one: 0.0.0.0 is the /0 route; then lowest metric, first on a tie.
TEST_F(Lookups, KernelRouteRowsChosenPerDestination) {
    const RouteRow lowHalf{3, 0, ip32("10.2.0.1"), 0x3, 0, ip32("128.0.0.0")};
    const RouteRow highHalf{3, ip32("128.0.0.0"), ip32("10.2.0.1"), 0x3, 0, ip32("128.0.0.0")};
    const RouteRow fallback{2, 0, ip32("10.1.0.1"), 0x3, 100, 0};
    const RouteRow worse{2, 0, ip32("10.1.0.99"), 0x3, 200, 0}, tie{2, 0, ip32("10.1.0.98"), 0x3, 100, 0};
    const std::vector<RouteRow> others = {
        {2, ip32("192.0.2.0"), 0, 0x1, 0}, {5, ip32("198.51.100.0"), 0, 0x1, 0}, {2, ip32("203.0.113.0"), 1, 0x2, 0}};
    const std::vector<AddressRow> addresses = {{ip32("127.0.0.1"), 1}, {ip32("192.0.2.2"), 2}, {ip32("192.0.2.3"), 2}};
    for (auto routes : std::vector<std::vector<RouteRow>>{{lowHalf, highHalf, fallback, tie, worse},
                                                          {worse, fallback, lowHalf, highHalf, tie}}) {
        routes.insert(routes.end(), others.begin(), others.end());
        table = std::make_shared<MibTable>();
        addRouteTable(*table, routes, addresses);
        EXPECT_EQ(ip32("10.1.0.1"), answer(getRouteNextHop, 0));
        EXPECT_EQ(ip32("10.2.0.1"), answer(getRouteNextHop, ip32("128.0.0.0")));
        EXPECT_EQ(ip32("192.0.2.2"), answer(getRouteNextHop, ip32("192.0.2.0")));  // direct: an own address
        EXPECT_EQ(0ul, answer(getRouteNextHop, ip32("198.51.100.0")));             // direct, interface without one
        EXPECT_EQ(kNone, answer(getRouteNextHop, ip32("203.0.113.0")));            // not up
        // The served mask column (ipRouteMask) agrees, row for row with the destinations.
        std::vector<std::uint32_t> masks;
        walkColumns(*this, {1, 3, 6, 1, 2, 1, 4, 21, 1, 11}, columns::ipRouteDest,
                    [&](const MibValue& mask, const MibValue&) { readAddress(mask, &masks.emplace_back()); });
        EXPECT_EQ((std::vector<std::uint32_t>{0, ip32("128.0.0.0"), ip32("255.255.255.255"), ip32("255.255.255.255")}),
                  masks);
    }
}

// Counts each set-up step (sockets, load, initialise); each works as switched, and slowly.
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

// Per call: the steps that work, then whether ready and each step's calls: only failed steps are retried.
TEST(AgentStartup, RetriesTheStepsThatFailedThenInitialisesOnceForConcurrentCalls) {
    const std::vector<std::vector<int>> calls = {{1, 0, 1, 0, 1, 1, 0}, {0, 1, 1, 0, 2, 1, 0}, {1, 1, 0, 0, 3, 2, 1}};
    CountingLoader loader;
    AgentStartup startup(loader);
    for (const std::vector<int>& call : calls) {
        std::copy(call.begin(), call.begin() + 3, loader.works);
        EXPECT_EQ(call[3], startup.run());
        EXPECT_EQ(std::vector<int>(call.begin() + 4, call.end()), loader.counts());
    }
    // Concurrent callers all arrive while the first initialises; once ready, the loader rests.
    loader.works[2] = true;
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) threads.emplace_back([&] { ready += startup.run(); });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(8, ready);
    EXPECT_EQ((std::vector<int>{3, 2, 2}), loader.counts());
}

}  // namespace
}  // namespace netinfo_test
