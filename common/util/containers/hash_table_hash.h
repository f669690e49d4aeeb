// The hash values of HashTable keys. Internal to the library: not exported.
// Inline, so that a look-up computes the hash without a call.
//
// Every quantity is an explicit unsigned 32-bit value and bytes are read
// unsigned, so the results are the same on 32-bit Windows and 64-bit Linux. On a
// little-endian machine a key that starts on a 4-byte boundary is read a word at
// a time (aligned loads only); any other key, or any key on a big-endian machine,
// is read byte by byte. Both give the same value.
#ifndef UTIL_CONTAINERS_HASH_TABLE_HASH_H
#define UTIL_CONTAINERS_HASH_TABLE_HASH_H

#include <cstdint>
#include <cstring>

namespace util {
namespace containers {

namespace hash_detail {

constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

// The little-endian value of the first `count` (0 to 4) bytes; with kWords, a
// whole word is one aligned load.
template <bool kWords>
inline std::uint32_t piece(const unsigned char* bytes, std::uint32_t count) {
    if (kWords && count == 4) {
        std::uint32_t word;
        std::memcpy(&word, __builtin_assume_aligned(bytes, 4), 4);
        return word;
    }
    std::uint32_t value = 0;
    for (std::uint32_t index = 0; index < count; ++index) {
        value |= static_cast<std::uint32_t>(bytes[index]) << (8 * index);
    }
    return value;
}

// The nine subtract-and-shift steps that spread every input bit over a, b and c.
inline void mix(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c) {
    a -= b;
    a -= c;
    a ^= c >> 13;
    b -= c;
    b -= a;
    b ^= a << 8;
    c -= a;
    c -= b;
    c ^= b >> 13;
    a -= b;
    a -= c;
    a ^= c >> 12;
    b -= c;
    b -= a;
    b ^= a << 16;
    c -= a;
    c -= b;
    c ^= b >> 5;
    a -= b;
    a -= c;
    a ^= c >> 3;
    b -= c;
    b -= a;
    b ^= a << 10;
    c -= a;
    c -= b;
    c ^= b >> 15;
}

template <bool kWords>
inline std::uint32_t lookup2(const unsigned char* bytes, std::uint32_t length, std::uint32_t initialValue) {
    std::uint32_t a = 0x9E3779B9u;
    std::uint32_t b = 0x9E3779B9u;
    std::uint32_t c = initialValue;
    std::uint32_t remaining = length;
    while (remaining >= 12) {
        a += piece<kWords>(bytes, 4);
        b += piece<kWords>(bytes + 4, 4);
        c += piece<kWords>(bytes + 8, 4);
        mix(a, b, c);
        bytes += 12;
        remaining -= 12;
    }
    c += length;
    // The tail: bytes 0..3 go into a and 4..7 into b from bit 0 up, bytes 8..10
    // into c from bit 8 up, since c's low byte carries the length.
    a += piece<kWords>(bytes, remaining < 4 ? remaining : 4);
    if (remaining > 4) {
        b += piece<kWords>(bytes + 4, remaining < 8 ? remaining - 4 : 4);
    }
    if (remaining > 8) {
        c += piece<kWords>(bytes + 8, remaining - 8) << 8;
    }
    mix(a, b, c);
    return c;
}

// lookup2 of a 16-byte key that starts on a 4-byte boundary, unrolled: one
// 12-byte block, the length, and one whole word of tail into a.
inline std::uint32_t lookup2Aligned16(const unsigned char* bytes) {
    std::uint32_t a = 0x9E3779B9u + piece<true>(bytes, 4);
    std::uint32_t b = 0x9E3779B9u + piece<true>(bytes + 4, 4);
    std::uint32_t c = piece<true>(bytes + 8, 4);
    mix(a, b, c);
    c += 16;
    a += piece<true>(bytes + 12, 4);
    mix(a, b, c);
    return c;
}

}  // namespace hash_detail

/// Whether a key at this address is hashed a word at a time.
inline bool hashesByWords(const void* key) {
    return hash_detail::kLittleEndian && (reinterpret_cast<std::uintptr_t>(key) & 3u) == 0;
}

/// The 1996 lookup2 hash of `length` bytes with initial value `initialValue`.
/// REQUIRES: bytes is readable for length bytes (any pointer when length is 0).
inline std::uint32_t lookup2(const unsigned char* bytes, std::uint32_t length, std::uint32_t initialValue) {
    if (hashesByWords(bytes)) {
        if (length == 16 && initialValue == 0) {
            return hash_detail::lookup2Aligned16(bytes);
        }
        return hash_detail::lookup2<true>(bytes, length, initialValue);
    }
    return hash_detail::lookup2<false>(bytes, length, initialValue);
}

/// A key's hash value: the XOR of the bytes for a 4-byte key (0..255), else
/// lookup2 with initial value 0. REQUIRES: key readable for keyLength >= 0 bytes.
inline std::uint32_t hashKey(const void* key, int keyLength) {
    const unsigned char* bytes = static_cast<const unsigned char*>(key);
    if (keyLength == 4) {
        return static_cast<std::uint32_t>(bytes[0] ^ bytes[1] ^ bytes[2] ^ bytes[3]);
    }
    return lookup2(bytes, static_cast<std::uint32_t>(keyLength), 0);
}

}  // namespace containers
}  // namespace util

#endif
