// Key hashing: lookup2 against published values and values with bytes of 0x80 and
// above (computed by an independent implementation), and the 4-byte XOR.
#include "containers/hash_table_hash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using util::containers::hashKey;
using util::containers::lookup2;

std::string highBytes(std::size_t length) {
    std::string bytes;
    for (std::size_t index = 0; index < length; ++index) bytes.push_back(static_cast<char>(0x80 + index));
    return bytes;
}

TEST(HashFunctionTest, Lookup2GoldenValues) {
    struct Golden {
        std::string key;
        std::uint32_t hash;
    };
    const std::vector<Golden> goldens = {
        {"", 0xBD49D10Du},
        {"ABC", 0x3E36495Du},
        {"ABCDEFGHIJKLM", 0xC9A8AD4Du},
        {"Four score and seven years ago", 0x50F2424Bu},
        // Bytes 0x80, 0x81, ...: these catch bytes read as signed.
        {highBytes(1), 0xEA28B4C0u},
        {highBytes(3), 0xB26F55FCu},
        {highBytes(5), 0x414D1141u},
        {highBytes(11), 0xF4AFB542u},
        {highBytes(12), 0x0A592AF1u},
        {highBytes(13), 0x6468EE46u},
        {highBytes(23), 0xCB75B7BCu},
        {highBytes(24), 0xA7BC26FEu},
        {highBytes(25), 0xC87EE51Eu},
        {highBytes(40), 0xD8BFCB63u},
        {std::string(7, '\xFF'), 0xC6D77195u},
        {std::string(11, '\xFF'), 0xD7A6A2EBu},
    };
    for (const Golden& golden : goldens) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(golden.key.data());
        const auto length = static_cast<std::uint32_t>(golden.key.size());
        EXPECT_EQ(golden.hash, lookup2(bytes, length, 0)) << "length " << length;
        EXPECT_EQ(golden.hash, hashKey(golden.key.data(), static_cast<int>(length)))
            << "length " << length;
    }
}

// {1,2,3,4} and {4,3,2,1} collide: the XOR ignores byte order.
TEST(HashFunctionTest, FourByteKeysHashToTheXorOfTheirBytes) {
    const struct {
        unsigned char bytes[4];
        std::uint32_t hash;
    } keys[] = {{{'A', 'B', 'C', 'D'}, 0x04u}, {{0x80, 0xFF, 0x01, 0x7F}, 0x01u}, {{1, 2, 3, 4}, 0x04u},
                {{4, 3, 2, 1}, 0x04u}, {{0xFF, 0x00, 0x00, 0x00}, 0xFFu}};
    for (const auto& key : keys) EXPECT_EQ(key.hash, hashKey(key.bytes, 4)) << key.hash;
    // Only length 4 takes the XOR: 3 and 5 bytes of the same buffer use lookup2.
    const std::string five = highBytes(5);
    EXPECT_EQ(0x414D1141u, hashKey(five.data(), 5));
    EXPECT_EQ(0xB26F55FCu, hashKey(five.data(), 3));
}

}  // namespace
