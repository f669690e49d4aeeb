// Network look-ups on the local machine's IPv4 tables: the hardware (MAC)
// address of an IP address, the next hop of a route, and the interface index of
// a local address. They read the machine's MIB-II tables (RFC 1213) by walking
// two columns at a time with GETNEXT requests, in process, with no network
// traffic, and write no log.
//
//   unsigned char mac[6];
//   unsigned long gatewayHop = 0;
//   if (snmp_GetRouteNextHopIp(0, &gatewayHop) && snmp_GetMacAddrByIp(gatewayHop, mac)) ...
//
// Addresses, as arguments and results, are 32-bit values in network byte order as
// they lie in memory (192.168.1.1 is the bytes C0 A8 01 01), the form inet_addr
// returns. Every look-up returns 1 when it found a matching row and 0 otherwise;
// on 0 its output is left untouched. A 0 does not tell a missing address from an
// unavailable table source. When several rows match, the last one in the table's
// index order wins. Each look-up keeps its own request list and the one-time
// set-up is locked, so they may run on several threads at once; on Windows,
// concurrent queries then meet inside the system's agent.
//
// Where the rows come from:
//  - Windows: the system's MIB-II extension agent "inetmib1.dll", loaded once per
//    process (after WSAStartup 2.0) and queried through SnmpExtensionQuery. It
//    stays loaded, with Winsock started, until the process ends.
//  - Linux: the kernel's tables, read afresh for every walk and served in MIB-II
//    index order: the ARP cache (/proc/net/arp) by interface index then address,
//    the IPv4 addresses (getifaddrs) by address, the interfaces by index, the
//    main routing table (/proc/net/route) by destination.
//
// Choices made here:
//  - Set-up. The first look-up sets the agent up under a lock, so concurrent first
//    calls load and initialise it once. A failed WSAStartup, a missing agent
//    library or entry point leaves nothing set up and the next look-up tries
//    again from the start (a library whose entry points are missing is freed). If
//    the agent loads but SnmpExtensionInit fails, the library stays loaded and the
//    look-up returns 0; each later look-up calls SnmpExtensionInit again (not
//    WSAStartup or the load) until it succeeds, so a broken agent is never
//    reported as ready. Once ready, neither is called again.
//  - A hardware address shorter than 6 bytes (or missing) is passed over: such a
//    row does not match, so no partial or zero-padded address is ever delivered.
//    Longer ones give their first 6 bytes. An IP address value shorter than 4
//    bytes never matches.
//  - An agent whose GETNEXT answer does not move past the previous row ends the
//    walk there (the rows seen so far still count), so a faulty agent cannot make
//    a look-up loop for ever.
//  - Linux: there is no set-up, no lock and no one-time guard, so a child forked
//    while another thread is in a look-up can look up at once. (Windows has no fork.)
//  - Linux: ip is compared as a 32-bit address; on this 64-bit platform an ip with
//    any of its upper 32 bits set matches nothing. Results are zero-extended.
//  - Linux: ARP entries that are not complete (no hardware address yet) are served
//    without a physical address and so never match. A hardware address of all
//    zero bytes (the kernel's for the loopback interface and for tunnels) is no
//    address: such an interface or ARP entry has none, so
//    snmp_GetMacAddrByIp(127.0.0.1) returns 0 on Linux, as the Windows agent does.
//  - Linux: only routes that are up are served, with their masks (ipRouteMask).
//    The table has one row per destination; of several routes to one destination
//    the widest is served (the shortest mask, then the lowest metric, then the
//    first listed), so with the split routes 0.0.0.0/1 + 128.0.0.0/1 that a VPN
//    installs beside the default route, snmp_GetRouteNextHopIp(0) still gives the
//    next hop of 0.0.0.0/0. A route without a gateway has as next hop the first
//    IPv4 address of its interface (RFC 1213), or 0.0.0.0 when that has none. An
//    address on several interfaces is served once, on the interface the kernel
//    lists first.
#ifndef UTIL_NETINFO_SNMP_LOOKUP_H
#define UTIL_NETINFO_SNMP_LOOKUP_H

#include "platform/export.h"

/// The hardware address of ip: from the ARP table when ip is listed there (the
/// entry of the highest interface index when it is listed on several), otherwise
/// that of the local interface that owns ip. Writes 6 bytes to mac and returns 1;
/// returns 0, mac untouched, when neither table has it or the tables are unavailable.
/// A null mac gives 0.
UTIL_API int snmp_GetMacAddrByIp(unsigned long ip, unsigned char* mac);

/// The next hop of the route whose destination is exactly ip (no prefix matching;
/// ip 0 finds the default route). Stores it in *nextHop and returns 1; returns 0,
/// *nextHop untouched, when no route has that destination.
/// A null nextHop gives 0.
UTIL_API int snmp_GetRouteNextHopIp(unsigned long ip, unsigned long* nextHop);

/// The index of the interface that owns the local address ip. Stores it in *index
/// and returns 1; returns 0, *index untouched, when ip is not a local address.
/// A null index gives 0.
UTIL_API int snmp_GetAdapterIndexByIpAddr(unsigned long ip, unsigned long* index);

#endif
