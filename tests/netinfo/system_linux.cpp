// The exported look-ups on Linux: loopback on this machine, then a private network
// namespace with a VPN client's split routes and links of known hardware addresses.
#include <gtest/gtest.h>

#include <net/if.h>
#include <sched.h>

#include <cstdlib>
#include <cstring>

#include <arpa/inet.h>

#include "netinfo/snmp_lookup.h"
#include "support/child_posix.h"

namespace netinfo_test {
namespace {

constexpr int kCannotSetUp = 77;

TEST(SystemLookups, LoopbackHasItsInterfaceAndNoHardwareAddress) {
    unsigned long index = 0;
    unsigned char mac[6] = {7, 7, 7, 7, 7, 7};  // the kernel lists six zero bytes: no address
    EXPECT_TRUE(snmp_GetAdapterIndexByIpAddr(inet_addr("127.0.0.1"), &index) == 1 && index == if_nametoindex("lo"));
    EXPECT_TRUE(snmp_GetMacAddrByIp(inet_addr("127.0.0.1"), mac) == 0 && mac[0] == 7);
}

// In a forked child: a namespace, links and routes (the /1 halves first), look-ups; bit n: check n failed.
int lookUpInNamespace() {
    const char* setUp =
        "exec >/dev/null 2>&1; set -e; ip link set lo up;"
        "ip link add vpn0 type veth peer name vpn0p; ip link add lan0 type veth peer name lan0p;"
        "ip link set lan0 address 02:00:00:00:0a:01;"
        "for link in vpn0 vpn0p lan0 lan0p; do ip link set $link up; done;"
        "ip addr add 10.2.0.2/24 dev vpn0; ip addr add 10.1.0.2/24 dev lan0;"
        "ip addr add 10.1.0.3/24 dev lan0 label lan0:1;"
        "ip route add 0.0.0.0/1 via 10.2.0.1; ip route add 128.0.0.0/1 via 10.2.0.1;"
        "ip route add default via 10.1.0.1 metric 100";
    if (unshare(CLONE_NEWNET) != 0 || std::system(setUp) != 0) return kCannotSetUp;
    // Hops: the default route's, the upper half's, a connected network's; own addresses (one an alias): the link.
    const char* const checks[5][2] = {
        {"0.0.0.0", "10.1.0.1"}, {"128.0.0.0", "10.2.0.1"}, {"10.2.0.0", "10.2.0.2"}, {"10.1.0.2"}, {"10.1.0.3"}};
    const unsigned char lanMac[6] = {0x02, 0, 0, 0, 0x0a, 0x01};
    int wrong = 0;
    for (int check = 0; check < 5; ++check) {
        const unsigned long address = inet_addr(checks[check][0]);
        unsigned long found = 1;
        unsigned char mac[6] = {0};
        const bool right =
            check < 3 ? snmp_GetRouteNextHopIp(address, &found) == 1 && found == inet_addr(checks[check][1])
                      : snmp_GetAdapterIndexByIpAddr(address, &found) == 1 && found == if_nametoindex("lan0") &&
                            snmp_GetMacAddrByIp(address, mac) == 1 && std::memcmp(mac, lanMac, 6) == 0;
        wrong |= right ? 0 : 1 << check;
    }
    return wrong;
}

TEST(SystemLookups, RoutesAddressesAndLinksInANamespace) {
    const int status = util_test::runInChild(lookUpInNamespace, std::chrono::seconds(60));
    if (status == kCannotSetUp) {
        GTEST_SKIP() << "no network namespace with veth links (needs CAP_NET_ADMIN/CAP_SYS_ADMIN, veth, ip)";
    }
    EXPECT_EQ(0, status) << "checks failed in the namespace (bit n: check n)";
}

}  // namespace
}  // namespace netinfo_test
