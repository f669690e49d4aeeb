// The exported look-ups end to end on Linux: loopback on this machine, then a
// private network namespace that holds a VPN client's routes (the default route
// via one link, the split defaults 0.0.0.0/1 + 128.0.0.0/1 via another) and
// links of known hardware addresses. Nothing is sent anywhere.
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
    ASSERT_EQ(1, snmp_GetAdapterIndexByIpAddr(inet_addr("127.0.0.1"), &index));
    EXPECT_EQ(if_nametoindex("lo"), index);
    unsigned char mac[6] = {7, 7, 7, 7, 7, 7};  // the kernel lists six zero bytes: no address
    EXPECT_EQ(0, snmp_GetMacAddrByIp(inet_addr("127.0.0.1"), mac));
    EXPECT_EQ(7, mac[0]);
}

// In a forked child: a namespace of its own, then the links and routes (the /1
// halves first, as the kernel lists them), then the look-ups; bit n set when check n failed.
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
    // The default route's hop; the upper half's hop; a connected network's own address.
    const char* const routes[3][2] = {{"0.0.0.0", "10.1.0.1"}, {"128.0.0.0", "10.2.0.1"}, {"10.2.0.0", "10.2.0.2"}};
    int wrong = 0;
    for (int check = 0; check < 3; ++check) {
        unsigned long hop = 1;
        const bool found = snmp_GetRouteNextHopIp(inet_addr(routes[check][0]), &hop) == 1;
        wrong |= found && hop == inet_addr(routes[check][1]) ? 0 : 1 << check;
    }
    // An own address, also one under an alias label: its link's index and hardware address.
    const unsigned char expected[6] = {0x02, 0, 0, 0, 0x0a, 0x01};
    for (int check = 3; check < 5; ++check) {
        const unsigned long own = inet_addr(check == 3 ? "10.1.0.2" : "10.1.0.3");
        unsigned long index = 0;
        unsigned char mac[6] = {0};
        const bool right = snmp_GetAdapterIndexByIpAddr(own, &index) == 1 && index == if_nametoindex("lan0") &&
                           snmp_GetMacAddrByIp(own, mac) == 1 && std::memcmp(mac, expected, 6) == 0;
        wrong |= right ? 0 : 1 << check;
    }
    return wrong;
}

TEST(SystemLookups, RoutesAddressesAndLinksInANamespace) {
    const int status = util_test::runInChild(lookUpInNamespace, std::chrono::seconds(60));
    if (status == kCannotSetUp) {
        GTEST_SKIP() << "no private network namespace with veth links here (unshare(CLONE_NEWNET) and `ip` need "
                        "CAP_NET_ADMIN/CAP_SYS_ADMIN and the veth driver)";
    }
    EXPECT_EQ(0, status) << "checks failed in the namespace (bit n: check n)";
}

}  // namespace
}  // namespace netinfo_test
