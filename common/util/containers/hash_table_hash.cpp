// HashTable key hashing: the byte XOR of 4-byte keys and lookup2 for the rest.
// Every quantity is an explicit unsigned 32-bit value and bytes are read unsigned,
// so the results are the same on 32-bit Windows and 64-bit Linux.
#include "containers/hash_table_hash.h"

namespace util {
namespace containers {

namespace {

std::uint32_t littleEndianWord(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// The nine subtract-and-shift steps that spread every input bit over a, b and c.
inline void mix(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c) {
    a -= b; a -= c; a ^= c >> 13;
    b -= c; b -= a; b ^= a << 8;
    c -= a; c -= b; c ^= b >> 13;
    a -= b; a -= c; a ^= c >> 12;
    b -= c; b -= a; b ^= a << 16;
    c -= a; c -= b; c ^= b >> 5;
    a -= b; a -= c; a ^= c >> 3;
    b -= c; b -= a; b ^= a << 10;
    c -= a; c -= b; c ^= b >> 15;
}

}  // namespace

std::uint32_t lookup2(const unsigned char* bytes, std::uint32_t length, std::uint32_t initialValue) {
    std::uint32_t a = 0x9E3779B9u;
    std::uint32_t b = 0x9E3779B9u;
    std::uint32_t c = initialValue;
    std::uint32_t remaining = length;
    while (remaining >= 12) {
        a += littleEndianWord(bytes);
        b += littleEndianWord(bytes + 4);
        c += littleEndianWord(bytes + 8);
        mix(a, b, c);
        bytes += 12;
        remaining -= 12;
    }
    c += length;
    // The tail: bytes 8..10 go into c from bit 8 up, since c's low byte carries the length.
    switch (remaining) {
        case 11: c += static_cast<std::uint32_t>(bytes[10]) << 24; [[fallthrough]];
        case 10: c += static_cast<std::uint32_t>(bytes[9]) << 16; [[fallthrough]];
        case 9: c += static_cast<std::uint32_t>(bytes[8]) << 8; [[fallthrough]];
        case 8: b += static_cast<std::uint32_t>(bytes[7]) << 24; [[fallthrough]];
        case 7: b += static_cast<std::uint32_t>(bytes[6]) << 16; [[fallthrough]];
        case 6: b += static_cast<std::uint32_t>(bytes[5]) << 8; [[fallthrough]];
        case 5: b += bytes[4]; [[fallthrough]];
        case 4: a += static_cast<std::uint32_t>(bytes[3]) << 24; [[fallthrough]];
        case 3: a += static_cast<std::uint32_t>(bytes[2]) << 16; [[fallthrough]];
        case 2: a += static_cast<std::uint32_t>(bytes[1]) << 8; [[fallthrough]];
        case 1: a += bytes[0]; [[fallthrough]];
        default: break;
    }
    mix(a, b, c);
    return c;
}

std::uint32_t hashKey(const void* key, int keyLength) {
    const unsigned char* bytes = static_cast<const unsigned char*>(key);
    if (keyLength == 4) {
        return static_cast<std::uint32_t>(bytes[0] ^ bytes[1] ^ bytes[2] ^ bytes[3]);
    }
    return lookup2(bytes, static_cast<std::uint32_t>(keyLength), 0);
}

}  // namespace containers
}  // namespace util
