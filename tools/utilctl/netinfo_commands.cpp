// utilctl mac / nexthop / ifindex: the MIB-II look-ups from the command line.
//   utilctl mac 192.168.1.1       -> 00:11:22:33:44:55
//   utilctl nexthop               -> the default route's next hop
//   utilctl ifindex 127.0.0.1     -> 1
#include <cstdio>
#include <cstring>

#include "command.h"
#include "platform.h"
#include "text_forms.h"
#include "netinfo/snmp_lookup.h"

namespace utilctl {

namespace {

int notFound(const char* what, const char* address) {
    std::fprintf(stderr, "utilctl: %s: not found for %s\n", what, address);
    return kFailure;
}

extern const Command macCommand;
extern const Command nexthopCommand;
extern const Command ifindexCommand;

int runMac(const Arguments& arguments) {
    unsigned long ip;
    if (arguments.operands.size() != 1) return usageError(macCommand, "expected one IPv4 address");
    if (!parseAddress(arguments.operands[0], &ip)) return usageError(macCommand, "not an IPv4 address");
    // Wine's MIB-II agent faults while it copies ARP rows: the look-up would
    // crash the process (or hang it on an error dialog), so it is not made.
    if (runningUnderWine()) {
        std::fprintf(stderr, "utilctl: mac: not available under Wine (its MIB-II agent cannot walk the ARP table)\n");
        return kFailure;
    }
    unsigned char mac[6];
    if (!snmp_GetMacAddrByIp(ip, mac)) return notFound("hardware address", arguments.operands[0]);
    std::printf("%02x:%02x:%02x:%02x:%02x:%02x\n", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return kSuccess;
}

int runNexthop(const Arguments& arguments) {
    unsigned long ip = 0;
    const char* text = !arguments.operands.empty() ? arguments.operands[0] : "0.0.0.0";
    if (arguments.operands.size() > 1) return usageError(nexthopCommand, "expected at most one IPv4 address");
    if (!parseAddress(text, &ip)) return usageError(nexthopCommand, "not an IPv4 address");
    unsigned long hop;
    if (!snmp_GetRouteNextHopIp(ip, &hop)) return notFound("route", text);
    char hopText[16];
    formatAddress(hop, hopText, sizeof hopText);
    std::printf("%s\n", hopText);
    return kSuccess;
}

int runIfindex(const Arguments& arguments) {
    unsigned long ip;
    if (arguments.operands.size() != 1) return usageError(ifindexCommand, "expected one IPv4 address");
    if (!parseAddress(arguments.operands[0], &ip)) return usageError(ifindexCommand, "not an IPv4 address");
    unsigned long index;
    if (!snmp_GetAdapterIndexByIpAddr(ip, &index)) return notFound("local address", arguments.operands[0]);
    std::printf("%lu\n", index);
    return kSuccess;
}

const Command macCommand{"mac", "IP", "the hardware address of IP (ARP table, then local interfaces)", runMac};
const Command nexthopCommand{"nexthop", "[IP]", "the next hop of the route whose destination is IP (default 0.0.0.0)",
                             runNexthop};
const Command ifindexCommand{"ifindex", "IP", "the index of the interface that owns local address IP", runIfindex};

const CommandRegistration registerMac(macCommand);
const CommandRegistration registerNexthop(nexthopCommand);
const CommandRegistration registerIfindex(ifindexCommand);

}  // namespace

}  // namespace utilctl
