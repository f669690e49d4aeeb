// Object identifiers, variable values and the MIB-II columns that the look-ups
// walk, in a platform-free form shared by the walk, the table sources and tests.
#ifndef UTIL_NETINFO_MIB_TYPES_H
#define UTIL_NETINFO_MIB_TYPES_H

#include <cstdint>
#include <vector>

namespace util {
namespace netinfo {

/// An object identifier, one element per subidentifier. std::vector's ordering is
/// the MIB's lexicographic order (a prefix sorts before its extensions).
using ObjectId = std::vector<std::uint32_t>;

/// The value of one variable binding, reduced to what the look-ups read: an
/// integer (INTEGER, Counter, Gauge, TimeTicks: the 32 bits as they are) or a
/// byte string (OCTET STRING, IpAddress). Anything else is empty.
struct MibValue {
    enum Kind { kEmpty, kInteger, kOctets };
    Kind kind = kEmpty;
    std::uint32_t integer = 0;
    std::vector<unsigned char> octets;

    static MibValue makeInteger(std::uint32_t number);
    static MibValue makeOctets(const unsigned char* bytes, std::size_t length);
    /// An IpAddress: the 4 bytes of an address in network byte order as it lies in memory.
    static MibValue makeAddress(std::uint32_t address);
};

/// The columns walked, each 10 subidentifiers long.
namespace columns {
inline const ObjectId ipNetToMediaPhysAddress{1, 3, 6, 1, 2, 1, 4, 22, 1, 2};
inline const ObjectId ipNetToMediaNetAddress{1, 3, 6, 1, 2, 1, 4, 22, 1, 3};
inline const ObjectId ipAdEntAddr{1, 3, 6, 1, 2, 1, 4, 20, 1, 1};
inline const ObjectId ipAdEntIfIndex{1, 3, 6, 1, 2, 1, 4, 20, 1, 2};
inline const ObjectId ifIndex{1, 3, 6, 1, 2, 1, 2, 2, 1, 1};
inline const ObjectId ifPhysAddress{1, 3, 6, 1, 2, 1, 2, 2, 1, 6};
inline const ObjectId ipRouteDest{1, 3, 6, 1, 2, 1, 4, 21, 1, 1};
inline const ObjectId ipRouteNextHop{1, 3, 6, 1, 2, 1, 4, 21, 1, 7};
}  // namespace columns

/// Whether name begins with all of column's subidentifiers.
bool nameInColumn(const ObjectId& name, const ObjectId& column);

/// column followed by the index subidentifiers.
ObjectId columnInstance(const ObjectId& column, const ObjectId& index);

/// The 4 index subidentifiers of an address (a.b.c.d), from network byte order in memory.
ObjectId addressIndex(std::uint32_t address);

/// Reads an IpAddress: true with its first 4 bytes as one 32-bit value when the
/// value holds at least 4 bytes, else false.
bool readAddress(const MibValue& value, std::uint32_t* address);
/// Reads a hardware address: true with its first 6 bytes when it holds at least 6.
bool readPhysicalAddress(const MibValue& value, unsigned char* physical);
/// Reads an integer: true when the value is one.
bool readInteger(const MibValue& value, std::uint32_t* number);

}  // namespace netinfo
}  // namespace util

#endif
