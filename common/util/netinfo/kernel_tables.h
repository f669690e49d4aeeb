// The Linux kernel's IPv4 tables as rows, the parsers of their /proc texts, and
// the rules that turn them into the four MIB-II tables. Platform-free, so that
// the parsers and rules are tested and fuzzed on any host; the reading of the
// kernel itself is in tables_linux.cpp.
#ifndef UTIL_NETINFO_KERNEL_TABLES_H
#define UTIL_NETINFO_KERNEL_TABLES_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "netinfo/mib_table.h"

namespace util {
namespace netinfo {

/// Maps an interface name to its index; 0 when there is no such interface.
using InterfaceIndexOf = std::function<std::uint32_t(const std::string& name)>;

struct ArpRow {
    std::uint32_t interfaceIndex = 0;
    std::uint32_t address = 0;  // network byte order in memory
    bool complete = false;      // the kernel has a hardware address for it
    std::vector<unsigned char> physical;
};

struct AddressRow {
    std::uint32_t address = 0;
    std::uint32_t interfaceIndex = 0;
};

struct InterfaceRow {
    std::uint32_t interfaceIndex = 0;
    std::vector<unsigned char> physical;
};

struct RouteRow {
    std::uint32_t interfaceIndex = 0;
    std::uint32_t destination = 0;
    std::uint32_t gateway = 0;
    unsigned flags = 0;
    std::uint32_t metric = 0;
    std::uint32_t mask = 0xFFFFFFFF;  // network byte order in memory, like destination
};

/// The rows of a /proc/net/arp text (a header line, then one entry a line).
/// Malformed lines and lines naming an unknown interface are skipped.
std::vector<ArpRow> parseArpText(const std::string& text, const InterfaceIndexOf& indexOf);

/// The rows of a /proc/net/route text (a header line, then one route a line).
/// Malformed lines and lines naming an unknown interface are skipped.
std::vector<RouteRow> parseRouteText(const std::string& text, const InterfaceIndexOf& indexOf);

/// "a.b.c.d" with four decimal parts 0-255 to network byte order in memory.
bool parseDottedAddress(const std::string& text, std::uint32_t* address);

/// Adds the rows as ipNetToMediaTable; an incomplete entry, or one whose hardware
/// address is all zero bytes, gets no hardware address.
void addArpTable(MibTable& table, const std::vector<ArpRow>& rows);
/// Adds the rows as ipAddrTable; an address listed twice keeps its first row.
void addAddressTable(MibTable& table, const std::vector<AddressRow>& rows);
/// Adds the rows as ifTable; an index listed twice keeps its first row. A hardware
/// address of all zero bytes (the kernel's for loopback and tunnels) is served as none.
void addInterfaceTable(MibTable& table, const std::vector<InterfaceRow>& rows);
/// Adds the routes that are up as ipRouteTable (with ipRouteMask), one per
/// destination, since the table is indexed by destination alone: of several
/// routes to one destination the one with the shortest mask (the widest route:
/// 0.0.0.0/0 before 0.0.0.0/1), then the lowest metric, then the first listed.
/// A route without a gateway gets the first address of its interface in
/// addresses as next hop, 0.0.0.0 when it has none.
void addRouteTable(MibTable& table, const std::vector<RouteRow>& routes, const std::vector<AddressRow>& addresses);

}  // namespace netinfo
}  // namespace util

#endif
