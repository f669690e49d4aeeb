// The hash values of HashTable keys. Internal to the library: not exported.
#ifndef UTIL_CONTAINERS_HASH_TABLE_HASH_H
#define UTIL_CONTAINERS_HASH_TABLE_HASH_H

#include <cstdint>

namespace util {
namespace containers {

/// The 1996 lookup2 hash of `length` bytes with initial value `initialValue`.
/// REQUIRES: bytes is readable for length bytes (any pointer when length is 0).
std::uint32_t lookup2(const unsigned char* bytes, std::uint32_t length, std::uint32_t initialValue);

/// A key's hash value: the XOR of the bytes for a 4-byte key (0..255), else
/// lookup2 with initial value 0. REQUIRES: key readable for keyLength >= 0 bytes.
std::uint32_t hashKey(const void* key, int keyLength);

}  // namespace containers
}  // namespace util

#endif
