// Key hashing against golden values, the node pool's block sizes and carving, and every allocation failure of the pool
// and the table.
#include "containers/hash_table.h"
#include "containers/hash_table_hash.h"
#include "containers/hash_table_memory.h"
#include "containers/hash_table_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct HashTableInspector {
    static HashHeader* header(HashTable& table) { return table.pHeader; }
};

namespace {

using namespace util::containers;

std::string highBytes(std::size_t length) {  // 0x80, 0x81, ...: these catch bytes read as signed
    std::string bytes;
    for (std::size_t index = 0; index < length; ++index) bytes.push_back(static_cast<char>(0x80 + index));
    return bytes;
}

// Published lookup2 values, values for high bytes computed by an independent
// implementation, and 4-byte keys, which hash to the XOR of their bytes instead
// ({1,2,3,4} and {4,3,2,1} collide); 3 and 5 bytes of one buffer use lookup2.
TEST(HashFunctionTest, GoldenValues) {
    const struct {
        std::string key;
        std::uint32_t hash;
    } goldens[] = {{"", 0xBD49D10Du},
                   {"ABC", 0x3E36495Du},
                   {"ABCDEFGHIJKLM", 0xC9A8AD4Du},
                   {"Four score and seven years ago", 0x50F2424Bu},
                   {highBytes(1), 0xEA28B4C0u},
                   {highBytes(3), 0xB26F55FCu},
                   {highBytes(5), 0x414D1141u},
                   {highBytes(11), 0xF4AFB542u},
                   {highBytes(12), 0x0A592AF1u},
                   {highBytes(13), 0x6468EE46u},
                   {highBytes(16), 0x0529A69Au},
                   {"0123456789abcdef", 0xE1185BC7u},
                   {highBytes(20), 0xFA5B40A0u},
                   {highBytes(23), 0xCB75B7BCu},
                   {highBytes(24), 0xA7BC26FEu},
                   {highBytes(25), 0xC87EE51Eu},
                   {highBytes(40), 0xD8BFCB63u},
                   {std::string(7, '\xFF'), 0xC6D77195u},
                   {std::string(11, '\xFF'), 0xD7A6A2EBu},
                   {"ABCD", 0x04u},
                   {"\x80\xFF\x01\x7F", 0x01u},
                   {"\x01\x02\x03\x04", 0x04u},
                   {"\x04\x03\x02\x01", 0x04u},
                   {std::string("\xFF\0\0\0", 4), 0xFFu}};
    // Each key also at offsets 1 to 3 of a word-aligned buffer: keys on a word
    // boundary are read a word at a time, the others byte by byte.
    alignas(8) unsigned char buffer[64];
    for (const auto& golden : goldens) {
        const auto length = static_cast<std::uint32_t>(golden.key.size());
        for (std::size_t offset = 0; offset < 4; ++offset) {
            unsigned char* key = buffer + offset;
            std::memcpy(key, golden.key.data(), length);
            EXPECT_EQ(golden.hash, hashKey(key, static_cast<int>(length))) << golden.key << " at +" << offset;
            if (length != 4) {
                EXPECT_EQ(golden.hash, lookup2(key, length, 0)) << length << " at +" << offset;
            }
        }
    }
}

// Two 16-byte keys with one hash (found by search): keys of that length on a
// word boundary take a look-up path of their own, which must still compare
// the bytes and not stop at the first equal hash.
TEST(HashTableInternalsTest, KeysWithOneHashStayApart) {
    alignas(4) char first[] = "key-00000014543";  // 16 bytes with the NUL
    alignas(4) char second[] = "key-00000025158";
    ASSERT_EQ(hashKey(first, 16), hashKey(second, 16));
    int values[2];
    HashTable table;
    ASSERT_EQ(1, table.Add(first, 16, &values[0]));
    EXPECT_EQ(nullptr, table.Get(second, 16));
    ASSERT_EQ(1, table.Add(second, 16, &values[1]));
    EXPECT_EQ(&values[0], table.Get(first, 16));
    EXPECT_EQ(&values[1], table.Get(second, 16));
}

// Restores normal allocation when a test ends, even on failure.
struct AllocationFailures {
    explicit AllocationFailures(int successes) { failAllocationsAfter(successes); }
    ~AllocationFailures() { failAllocationsAfter(-1); }
};

TEST(NodePoolTest, BlocksDoubleUntilTheThresholdThenStay) {
    const bool windowsLayout = sizeof(void*) == 4;
    EXPECT_EQ(windowsLayout ? 20u : 40u, kNodePoolItemSize);
    const std::uint32_t cap = windowsLayout ? 4096 : 2048;
    std::vector<std::uint32_t> expected;
    for (std::uint32_t nodes = 1; nodes < cap; nodes *= 2) expected.push_back(nodes);
    expected.insert(expected.end(), {cap, cap, cap});
    NodePool* pool = createNodePool();
    ASSERT_NE(nullptr, pool);
    std::vector<std::uint32_t> capacities;
    HashNode* previous = nullptr;
    while (capacities.size() < expected.size()) {
        const NodePoolBlock* newest = pool->pBlocks;
        HashNode* node = obtainNode(pool);
        ASSERT_NE(nullptr, node);
        if (pool->pBlocks != newest) {
            ASSERT_EQ(newest, pool->pBlocks->pPrevious) << "blocks link newest first";
            capacities.push_back(pool->ulBytesLeft / pool->ulItemSize + 1);
        } else {  // within a block, nodes are carved from its end towards its front
            ASSERT_EQ(reinterpret_cast<char*>(previous) - pool->ulItemSize, reinterpret_cast<char*>(node));
        }
        previous = node;
    }
    EXPECT_EQ(expected, capacities);
    for (std::uint32_t block = 0; block < capacities.size(); ++block) {  // the header's formula agrees
        EXPECT_EQ(nodePoolBlockCapacity(kNodePoolItemSize, block), capacities[block]) << block;
    }
    destroyNodePool(pool);
}

TEST(HashTableInternalsTest, ConstructionFailuresLeaveNoTableAndNoLeak) {
    char key[] = "key";
    for (int successes = 0; successes < 3; ++successes) {  // header, buckets, pool
        AllocationFailures failures(successes);
        HashTable table;
        EXPECT_EQ(nullptr, HashTableInspector::header(table)) << successes;
        EXPECT_EQ(0, table.Add(key, 3, key) + table.Count());
    }
    AllocationFailures failures(3);
    HashTable table;
    EXPECT_NE(nullptr, HashTableInspector::header(table));
}

TEST(HashTableInternalsTest, FailedGrowthKeepsTheSizeAndFailedNodeRefusesTheAdd) {
    HashTable table(1);
    HashHeader* header = HashTableInspector::header(table);
    std::string keys[4] = {"k0", "k1", "k2", "k3"};
    auto add = [&](int index) { return table.Add(&keys[index][0], 2, &keys[index]); };
    ASSERT_EQ(1, add(0));  // block of 1
    ASSERT_EQ(1, add(1));  // block of 2, one node left for the next add
    {
        AllocationFailures failures(0);
        EXPECT_EQ(1, add(2)) << "the entry goes in even when growth fails";
        EXPECT_EQ(1u, header->ulLogSize);
        EXPECT_EQ(0, add(3)) << "no node can be had: the pool's next block fails";
        EXPECT_EQ(3, table.Count());
        EXPECT_EQ(3u, header->ulCount);
        EXPECT_EQ(nullptr, table.Get(&keys[3][0], 2));
    }
    ASSERT_EQ(1, add(3)) << "the pool recovers";
    EXPECT_EQ(2u, header->ulLogSize) << "growth is tried again";
    for (int index = 0; index < 4; ++index) EXPECT_EQ(&keys[index], table.Get(&keys[index][0], 2));
}

}  // namespace
