// HashTable: refusals, walk order, cursor, deletion during walks, a random run against a
// std::map; key hashing against golden values, the node pool's blocks, allocation failures.
#include "containers/hash_table.h"
#include "containers/hash_table_hash.h"
#include "containers/hash_table_memory.h"
#include "containers/hash_table_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <vector>

struct HashTableInspector {
    static HashHeader* header(HashTable& table) { return table.pHeader; }
};

namespace {

using namespace util::containers;

// A 4-byte key hashes to the XOR of its bytes: these to their value, so their buckets can be worked
// out by hand. The table keeps key pointers: the deque keeps every key alive and put.
std::deque<std::uint32_t> keyStore;
void* key4(std::uint32_t hash) {
    keyStore.push_back(hash);
    return &keyStore.back();
}

// Values are addresses in this array, so a walk's results map back to indices.
char marks[256];
void* mark(int index) { return &marks[index]; }
int indexOf(void* value) { return value == nullptr ? -1 : static_cast<int>(static_cast<char*>(value) - marks); }
std::vector<int> walk(HashTable& table) {
    std::vector<int> order;
    for (void* value = table.First(); value != nullptr; value = table.Next()) order.push_back(indexOf(value));
    return order;
}

// Duplicates are compared by bytes (another buffer, same bytes), a prefix or the empty key is another
// key; bad arguments are refused and change nothing. Impossible sizes give an object without a table.
TEST(HashTableTest, RefusesBadArgumentsDuplicatesAndSizes) {
    HashTable table(0);  // one bucket is a valid table
    char key[] = "abc";
    std::string sameBytes = "abc";
    ASSERT_EQ(2, table.Add(key, 3, mark(1)) + table.Add(key, 0, mark(2)));
    EXPECT_EQ(0, table.Add(nullptr, 3, mark(0)) + table.Add(key, -1, mark(0)) + table.Add(key, 2, nullptr) +
                     table.Add(&sameBytes[0], 3, mark(3)));
    EXPECT_TRUE(table.Get(nullptr, 3) == nullptr && table.Get(key, -3) == nullptr && table.Get(key, 2) == nullptr);
    EXPECT_EQ(0, table.Del(nullptr, 3) + table.Del(key, -1) + table.Del(key, 2));
    EXPECT_EQ(mark(2), table.Get(key, 0));
    EXPECT_EQ(2, table.Del(&sameBytes[0], 3) + table.Del(key, 0));
    EXPECT_EQ(0, table.Del(key, 3) + table.Count());
    HashTable defaultTable;
    EXPECT_EQ(5u, HashTableInspector::header(defaultTable)->ulLogSize) << "32 buckets by default";
    std::vector<int> refused = {-1, 32};
    if (sizeof(void*) == 4) refused.push_back(30);  // 2^30 pointers overflow a 32-bit size
    for (int logSize : refused) {
        HashTable none(logSize);
        EXPECT_EQ(0, none.Add(key, 3, mark(0)) + none.Del(key, 3) + none.Count()) << logSize;
        EXPECT_TRUE(none.Get(key, 3) == nullptr && none.First() == nullptr && none.Next() == nullptr) << logSize;
    }
}

// Two buckets: A (hash 1) and B (hash 5) share bucket 1, newest first. The third entry doubles the
// table to 4 buckets; moving the old chain from its head reverses A and B, still in one bucket.
TEST(HashTableTest, WalkOrderByHandAcrossGrowths) {
    HashTable table(1);
    const struct {
        std::uint32_t hash;
        std::vector<int> order;
    } steps[] = {{1, {0}},
                 {5, {1, 0}},
                 {0, {0, 1, 2}},         // 3 > 2 buckets: grows to 4
                 {9, {3, 0, 1, 2}},      // 4 entries, 4 buckets: no growth
                 {2, {1, 4, 0, 3, 2}}};  // grows to 8: B moves to bucket 5
    int index = 0;
    for (const auto& step : steps) {
        ASSERT_EQ(1, table.Add(key4(step.hash), 4, mark(index++)));
        EXPECT_EQ(step.order, walk(table)) << index << " entries";
    }
}

TEST(HashTableTest, AddGetAndDelMoveTheCursor) {
    HashTable table;
    for (int hash : {2, 5, 9}) ASSERT_EQ(1, table.Add(key4(hash), 4, mark(hash)));
    EXPECT_EQ((std::vector<int>{9, 5, 2}), walk(table));
    EXPECT_EQ(nullptr, table.Next()) << "the end stays the end";
    // After the walk's end, Next scans on from the bucket that the last call left.
    EXPECT_EQ(0, table.Add(key4(9), 4, mark(99)));
    EXPECT_EQ(5, indexOf(table.Next())) << "a refused duplicate puts the cursor on its entry";
    EXPECT_EQ(mark(9), table.Get(key4(9), 4)) << "and leaves its value";
    EXPECT_EQ(nullptr, table.Get(key4(5), 3));
    EXPECT_EQ(5, indexOf(table.Next())) << "Get puts the cursor on the entry, a miss leaves it";
    EXPECT_EQ(1, table.Del(key4(9), 4));
    EXPECT_EQ(5, indexOf(table.Next())) << "Del leaves the cursor in the deleted entry's bucket";
}

// The walk saves the successor of the entry it returns. Deleting the entry goes on to it; deleting
// the successor must not bring it back, in mid-chain or at a chain's end (the walk scans on lower).
TEST(HashTableTest, DeletingTheNextEntryOfAWalkSkipsIt) {
    HashTable table;
    for (int hash : {0, 1, 33, 65, 97}) ASSERT_EQ(1, table.Add(key4(hash), 4, mark(hash)));  // bucket 1: 97 to 1
    EXPECT_EQ(97, indexOf(table.First()));
    ASSERT_EQ(1, table.Del(key4(97), 4));
    EXPECT_EQ(65, indexOf(table.Next()));
    ASSERT_EQ(1, table.Del(key4(33), 4));
    EXPECT_EQ(1, indexOf(table.Next()));
    EXPECT_EQ(0, indexOf(table.Next()));
    EXPECT_EQ(65, indexOf(table.First()));
    ASSERT_EQ(1, table.Del(key4(1), 4));
    EXPECT_EQ(0, indexOf(table.Next()));
    EXPECT_EQ(nullptr, table.Next());
    EXPECT_EQ(2, table.Count());
}

// Random Add, Get and Del over 700 keys of 0..40 bytes (more often 4), checked at every step through
// copies of the keys, as the table grows and reuses nodes; then a walk deletes each entry it returns.
TEST(HashTableModel, RandomOperationsMatchAModel) {
    std::mt19937 random(20240305);
    std::vector<std::string> keys;
    while (keys.size() < 700) {
        std::string key(random() % 51, '\0');
        if (key.size() > 40) key.resize(4);
        for (char& byte : key) byte = static_cast<char>(random() & 0xFF);
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
    }
    std::vector<std::string> copies = keys;
    std::vector<void*> stored(keys.size(), nullptr);  // the value under each key, or null
    HashTable table;
    for (int step = 0; step < 30000; ++step) {
        SCOPED_TRACE(step);
        const std::size_t index = random() % keys.size();
        const int length = static_cast<int>(keys[index].size());
        const unsigned operation = random() % 1000;
        if (operation < (step < 3000 ? 700u : 450u)) {  // adds outweigh deletes early, so the table grows
            void* value = reinterpret_cast<void*>(static_cast<std::uintptr_t>(step + 1) * 8);
            const int added = table.Add(&keys[index][0], length, value);
            ASSERT_EQ(stored[index] == nullptr ? 1 : 0, added);
            if (added == 1) stored[index] = value;
        } else if (operation >= 800) {
            const int deleted = table.Del(&copies[index][0], length);
            ASSERT_EQ(stored[index] != nullptr ? 1 : 0, deleted);
            stored[index] = nullptr;
        }
        ASSERT_EQ(stored[index], table.Get(&copies[index][0], length));
        ASSERT_EQ(static_cast<int>(stored.size() - std::count(stored.begin(), stored.end(), nullptr)), table.Count());
    }
    for (void* value = table.First(); value != nullptr; value = table.Next()) {
        const std::size_t index = std::find(stored.begin(), stored.end(), value) - stored.begin();
        ASSERT_LT(index, stored.size()) << "the walk returned a value not in the table";
        ASSERT_EQ(1, table.Del(&copies[index][0], static_cast<int>(keys[index].size()))) << "or one twice";
    }
    EXPECT_EQ(0, table.Count()) << "or missed one";
}

// Published lookup2 values, values for high bytes from an independent implementation (one length per
// shape of the tail), and 4-byte keys, which hash to the XOR of their bytes instead. Each key also at
// offsets 1 to 3: only keys on a word boundary are read a word at a time; with any seed both agree.
TEST(HashFunctionTest, GoldenValues) {
    std::string high(24, '\0');  // 0x80, 0x81, ...: these catch bytes read as signed
    for (std::size_t index = 0; index < high.size(); ++index) high[index] = static_cast<char>(0x80 + index);
    const struct {
        std::string key;
        std::uint32_t hash;
    } goldens[] = {{"", 0xBD49D10Du},
                   {"Four score and seven years ago", 0x50F2424Bu},
                   {high.substr(0, 3), 0xB26F55FCu},
                   {high.substr(0, 11), 0xF4AFB542u},
                   {high.substr(0, 16), 0x0529A69Au},
                   {high.substr(0, 24), 0xA7BC26FEu},
                   {"\x80\xFF\x01\x7F", 0x01u},
                   {"\x01\x02\x03\x04", 0x04u}};
    alignas(8) unsigned char buffer[64];
    for (const auto& golden : goldens) {
        const auto length = static_cast<std::uint32_t>(golden.key.size());
        std::uint32_t seeded[4];
        for (std::size_t offset = 0; offset < 4; ++offset) {
            unsigned char* key = buffer + offset;
            std::memcpy(key, golden.key.data(), length);
            EXPECT_EQ(golden.hash, hashKey(key, static_cast<int>(length))) << golden.key << " at +" << offset;
            seeded[offset] = lookup2(key, length, 0x2468ACE1u);
        }
        EXPECT_TRUE(seeded[0] == seeded[1] && seeded[0] == seeded[2] && seeded[0] == seeded[3]) << length;
    }
}

// Two 16-byte keys with one hash (found by search): on a word boundary such keys take a look-up
// path of their own, which must still compare the bytes and not stop at the first equal hash.
TEST(HashTableInternalsTest, KeysWithOneHashStayApart) {
    alignas(4) char first[] = "key-00000014543";  // 16 bytes with the NUL
    alignas(4) char second[] = "key-00000025158";
    ASSERT_EQ(hashKey(first, 16), hashKey(second, 16));
    int values[2];
    HashTable table;
    ASSERT_EQ(1, table.Add(first, 16, &values[0]));
    ASSERT_EQ(1, table.Add(second, 16, &values[1]));
    EXPECT_EQ(&values[0], table.Get(first, 16));
    EXPECT_EQ(&values[1], table.Get(second, 16));
}

// Blocks double until one reaches the threshold, then stay, as the header's formula says.
TEST(NodePoolTest, BlocksDoubleUntilTheThresholdThenStay) {
    NodePool* pool = createNodePool();
    for (std::uint32_t block = 0; block < 16; ++block) {
        const NodePoolBlock* previous = pool->pBlocks;
        ASSERT_NE(nullptr, obtainNode(pool));  // the newest block is used up: a new one comes
        ASSERT_EQ(previous, pool->pBlocks->pPrevious);
        const std::uint32_t capacity = pool->ulBytesLeft / pool->ulItemSize + 1;
        EXPECT_EQ(std::min(1u << block, sizeof(void*) == 4 ? 4096u : 2048u), capacity) << block;
        EXPECT_EQ(nodePoolBlockCapacity(kNodePoolItemSize, block), capacity) << block;
        for (std::uint32_t node = 1; node < capacity; ++node) obtainNode(pool);
    }
    destroyNodePool(pool);
}

// Restores normal allocation when a test ends, even on failure.
struct AllocationFailures {
    explicit AllocationFailures(int successes) { failAllocationsAfter(successes); }
    ~AllocationFailures() { failAllocationsAfter(-1); }
};

// Without its header, buckets or pool there is no table (and no leak). A failed growth keeps the
// size; a node that cannot be had refuses the Add; a deleted entry's node serves without allocating.
TEST(HashTableInternalsTest, AllocationFailuresLeaveAWorkingTable) {
    std::string keys[4] = {"k0", "k1", "k2", "k3"};
    for (int successes = 0; successes < 4; ++successes) {  // header, buckets, pool, first node block
        AllocationFailures failures(successes);
        HashTable table;
        EXPECT_EQ(successes == 3, HashTableInspector::header(table) != nullptr) << successes;
        EXPECT_EQ(0, table.Add(&keys[0][0], 2, &keys[0]) + table.Count()) << successes;
    }
    HashTable table(1);
    auto add = [&](int index) { return table.Add(&keys[index][0], 2, &keys[index]); };
    ASSERT_EQ(2, add(0) + add(1));  // blocks of 1 and 2 nodes: one node left for the next add
    {
        AllocationFailures failures(0);
        EXPECT_EQ(1, add(2)) << "the entry goes in even when growth fails";
        EXPECT_EQ(1u, HashTableInspector::header(table)->ulLogSize);
        EXPECT_EQ(0, add(3)) << "no node can be had: the pool's next block fails";
        EXPECT_EQ(3, table.Count());
        ASSERT_EQ(1, table.Del(&keys[0][0], 2));
        EXPECT_EQ(1, add(3)) << "the deleted entry's node";
    }
    ASSERT_EQ(1, add(0)) << "the pool recovers";
    EXPECT_EQ(2u, HashTableInspector::header(table)->ulLogSize) << "growth is tried again";
    for (int index = 0; index < 4; ++index) EXPECT_EQ(&keys[index], table.Get(&keys[index][0], 2));
}

}  // namespace
