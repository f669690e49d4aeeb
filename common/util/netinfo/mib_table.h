// An in-memory MIB: variables kept in name order and served to the column walk
// with GETNEXT semantics. It serves the kernel's tables on Linux and the chosen
// rows of the stand-in agent in tests.
#ifndef UTIL_NETINFO_MIB_TABLE_H
#define UTIL_NETINFO_MIB_TABLE_H

#include <cstddef>
#include <map>
#include <memory>

#include "netinfo/netinfo_platform.h"

namespace util {
namespace netinfo {

class MibTable {
public:
    /// Sets (or replaces) one variable.
    void set(const ObjectId& name, MibValue value);
    bool contains(const ObjectId& name) const;
    /// The first variable whose name follows name; false past the last one.
    bool getNext(const ObjectId& name, ObjectId* nextName, MibValue* nextValue) const;

    // Whole rows, each setting every column the table serves; a null or
    // zero-length physical address is served as an empty octet string.
    /// ipNetToMediaTable, indexed by interface index then address.
    void addArpEntry(std::uint32_t interfaceIndex, std::uint32_t address, const unsigned char* physical,
                     std::size_t physicalLength);
    /// ipAddrTable, indexed by address.
    void addAddressEntry(std::uint32_t address, std::uint32_t interfaceIndex);
    /// ifTable, indexed by interface index.
    void addInterface(std::uint32_t interfaceIndex, const unsigned char* physical, std::size_t physicalLength);
    /// ipRouteTable, indexed by destination: ipRouteDest, ipRouteIfIndex,
    /// ipRouteNextHop and ipRouteMask.
    void addRoute(std::uint32_t destination, std::uint32_t mask, std::uint32_t nextHop, std::uint32_t interfaceIndex);

private:
    std::map<ObjectId, MibValue> variables_;
};

/// A walk over a table that it keeps alive. A GETNEXT past the table's last
/// variable is refused, as an agent refuses a name past the end of its view.
std::unique_ptr<ColumnPairWalk> beginTableWalk(std::shared_ptr<const MibTable> table, const ObjectId& keyColumn,
                                               const ObjectId& companionColumn);

}  // namespace netinfo
}  // namespace util

#endif
