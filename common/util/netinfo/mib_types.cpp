// Value constructors and readers for the MIB-II walk.
#include "netinfo/mib_types.h"

#include <algorithm>
#include <cstring>

namespace util {
namespace netinfo {

MibValue MibValue::makeInteger(std::uint32_t number) {
    MibValue value;
    value.kind = kInteger;
    value.integer = number;
    return value;
}

MibValue MibValue::makeOctets(const unsigned char* bytes, std::size_t length) {
    MibValue value;
    value.kind = kOctets;
    if (bytes != nullptr) {
        value.octets.assign(bytes, bytes + length);
    }
    return value;
}

MibValue MibValue::makeAddress(std::uint32_t address) {
    unsigned char bytes[4];
    std::memcpy(bytes, &address, sizeof bytes);
    return makeOctets(bytes, sizeof bytes);
}

bool nameInColumn(const ObjectId& name, const ObjectId& column) {
    return name.size() >= column.size() && std::equal(column.begin(), column.end(), name.begin());
}

ObjectId columnInstance(const ObjectId& column, const ObjectId& index) {
    ObjectId name = column;
    name.insert(name.end(), index.begin(), index.end());
    return name;
}

ObjectId addressIndex(std::uint32_t address) {
    unsigned char bytes[4];
    std::memcpy(bytes, &address, sizeof bytes);
    return ObjectId{bytes[0], bytes[1], bytes[2], bytes[3]};
}

bool readAddress(const MibValue& value, std::uint32_t* address) {
    if (value.kind != MibValue::kOctets || value.octets.size() < 4) {
        return false;
    }
    std::memcpy(address, value.octets.data(), 4);
    return true;
}

bool readPhysicalAddress(const MibValue& value, unsigned char* physical) {
    if (value.kind != MibValue::kOctets || value.octets.size() < 6) {
        return false;
    }
    std::memcpy(physical, value.octets.data(), 6);
    return true;
}

bool readInteger(const MibValue& value, std::uint32_t* number) {
    if (value.kind != MibValue::kInteger) {
        return false;
    }
    *number = value.integer;
    return true;
}

}  // namespace netinfo
}  // namespace util
