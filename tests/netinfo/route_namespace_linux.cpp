// The route look-up end to end in a private network namespace that holds a VPN
// client's routes: the default route via one link and the split defaults
// 0.0.0.0/1 + 128.0.0.0/1 via another. The namespace has only its own veth pair
// and addresses; nothing is sent anywhere.
#include <gtest/gtest.h>

#include <sched.h>

#include <cstdio>
#include <cstdlib>

#include <arpa/inet.h>

#include "netinfo/snmp_lookup.h"
#include "support/child_posix.h"

namespace netinfo_test {
namespace {

constexpr int kCannotSetUp = 77;

// In a forked child: a namespace of its own, then the routes (the /1 halves
// first, as the kernel lists them), then the look-ups.
int lookUpInNamespace() {
    const char* setUp =
        "exec >/dev/null 2>&1; set -e;"
        "ip link set lo up;"
        "ip link add vpn0 type veth peer name vpn0p; ip link add lan0 type veth peer name lan0p;"
        "for link in vpn0 vpn0p lan0 lan0p; do ip link set $link up; done;"
        "ip addr add 10.2.0.2/24 dev vpn0; ip addr add 10.1.0.2/24 dev lan0;"
        "ip route add 0.0.0.0/1 via 10.2.0.1; ip route add 128.0.0.0/1 via 10.2.0.1;"
        "ip route add default via 10.1.0.1 metric 100";
    if (unshare(CLONE_NEWNET) != 0 || std::system(setUp) != 0) return kCannotSetUp;
    // The default route's hop; the upper half's hop; a connected network's own address.
    const char* const destinations[3] = {"0.0.0.0", "128.0.0.0", "10.2.0.0"};
    const char* const expected[3] = {"10.1.0.1", "10.2.0.1", "10.2.0.2"};
    int wrong = 0;
    for (int index = 0; index < 3; ++index) {
        unsigned long hop = 1;
        if (snmp_GetRouteNextHopIp(inet_addr(destinations[index]), &hop) != 1 || hop != inet_addr(expected[index])) {
            std::fprintf(stderr, "route to %s: hop %lx, expected %s\n", destinations[index], hop, expected[index]);
            ++wrong;
        }
    }
    return wrong;
}

TEST(RouteNamespace, DefaultRouteBesideSplitDefaults) {
    const int status = util_test::runInChild(lookUpInNamespace, std::chrono::seconds(60));
    if (status == kCannotSetUp) {
        GTEST_SKIP() << "no private network namespace with veth links here (unshare(CLONE_NEWNET) and `ip` need "
                        "CAP_NET_ADMIN/CAP_SYS_ADMIN and the veth driver)";
    }
    EXPECT_EQ(0, status) << "routes answered wrongly in the namespace";
}

}  // namespace
}  // namespace netinfo_test
