// The route look-up end to end in a private network namespace that holds a VPN
// client's routes: the default route via one link and the split defaults
// 0.0.0.0/1 + 128.0.0.0/1 via another. The namespace has only its own veth pair
// and addresses; nothing is sent anywhere.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <arpa/inet.h>

#include "netinfo/snmp_lookup.h"

namespace netinfo_test {
namespace {

constexpr int kCannotSetUp = 77;

// In the forked child: a namespace of its own, then the routes (the /1 halves
// first, as the kernel lists them), then the look-ups, reported on the pipe.
[[noreturn]] void lookUpInNamespace(int reportFd) {
    if (unshare(CLONE_NEWNET) != 0) _exit(kCannotSetUp);
    const char* setUp =
        "exec >/dev/null 2>&1; set -e;"
        "ip link set lo up;"
        "ip link add vpn0 type veth peer name vpn0p; ip link add lan0 type veth peer name lan0p;"
        "for link in vpn0 vpn0p lan0 lan0p; do ip link set $link up; done;"
        "ip addr add 10.2.0.2/24 dev vpn0; ip addr add 10.1.0.2/24 dev lan0;"
        "ip route add 0.0.0.0/1 via 10.2.0.1; ip route add 128.0.0.0/1 via 10.2.0.1;"
        "ip route add default via 10.1.0.1 metric 100";
    if (std::system(setUp) != 0) _exit(kCannotSetUp);
    unsigned long hops[3] = {1, 1, 1};
    int found[3] = {snmp_GetRouteNextHopIp(0, &hops[0]), snmp_GetRouteNextHopIp(inet_addr("128.0.0.0"), &hops[1]),
                    snmp_GetRouteNextHopIp(inet_addr("10.2.0.0"), &hops[2])};
    char report[128];
    const int length = std::snprintf(report, sizeof report, "%d %lx %d %lx %d %lx", found[0], hops[0], found[1],
                                     hops[1], found[2], hops[2]);
    _exit(write(reportFd, report, static_cast<std::size_t>(length)) == length ? 0 : 1);
}

TEST(RouteNamespace, DefaultRouteBesideSplitDefaults) {
    int report[2];
    ASSERT_EQ(0, pipe(report));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(report[0]);
        lookUpInNamespace(report[1]);
    }
    close(report[1]);
    char text[128] = {};
    const ssize_t got = read(report[0], text, sizeof text - 1);
    close(report[0]);
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kCannotSetUp) {
        GTEST_SKIP() << "no private network namespace with veth links here (unshare(CLONE_NEWNET) and `ip` need "
                        "CAP_NET_ADMIN/CAP_SYS_ADMIN and the veth driver)";
    }
    ASSERT_EQ(0, WEXITSTATUS(status));
    ASSERT_GT(got, 0);
    char expected[128];
    std::snprintf(expected, sizeof expected, "1 %lx 1 %lx 1 %lx", static_cast<unsigned long>(inet_addr("10.1.0.1")),
                  static_cast<unsigned long>(inet_addr("10.2.0.1")), static_cast<unsigned long>(inet_addr("10.2.0.2")));
    // The default route's hop; the upper half's hop; a connected network's own address.
    EXPECT_STREQ(expected, text);
}

}  // namespace
}  // namespace netinfo_test
