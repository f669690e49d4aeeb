// HashTable through the library's exported interface: refusals, the exact walk
// order, growth, the cursor, deletion during walks, and objects without a table.
#include "containers/hash_table.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <type_traits>
#include <vector>

namespace {

static_assert(!std::is_copy_assignable<HashTable>::value, "copying would share one header");
static_assert(!std::is_copy_constructible<HashTable>::value, "copying would share one header");

// 4-byte keys hash to the XOR of their bytes, so their buckets can be worked out by hand.
struct Key4 {
    unsigned char bytes[4];
};

Key4 keyWithHash(unsigned hash, unsigned char variant = 0) {
    return Key4{{static_cast<unsigned char>(hash ^ variant), variant, 0, 0}};
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

TEST(HashTableTest, RefusesBadArgumentsAndDuplicates) {
    HashTable table;
    char key[] = "abc";
    EXPECT_EQ(0, table.Add(nullptr, 3, mark(0)));
    EXPECT_EQ(0, table.Add(nullptr, 0, mark(0)));
    EXPECT_EQ(0, table.Add(key, -1, mark(0)));
    EXPECT_EQ(0, table.Add(key, 3, nullptr));
    EXPECT_EQ(0, table.Count());
    EXPECT_EQ(nullptr, table.Next()) << "Next before any First";
    EXPECT_EQ(nullptr, table.First());

    ASSERT_EQ(1, table.Add(key, 3, mark(1)));
    std::string sameBytes = "abc";  // another buffer with the same bytes
    EXPECT_EQ(0, table.Add(&sameBytes[0], 3, mark(2)));
    EXPECT_EQ(1, table.Count());
    EXPECT_EQ(mark(1), table.Get(&sameBytes[0], 3));
    EXPECT_EQ(nullptr, table.Get(nullptr, 3));
    EXPECT_EQ(nullptr, table.Get(key, -3));
    EXPECT_EQ(nullptr, table.Get(key, 2));  // a prefix is another key
    EXPECT_EQ(0, table.Del(nullptr, 3));
    EXPECT_EQ(0, table.Del(key, -1));
    EXPECT_EQ(0, table.Del(key, 2));
    EXPECT_EQ(1, table.Count());
    EXPECT_EQ(1, table.Del(&sameBytes[0], 3));
    EXPECT_EQ(0, table.Del(key, 3));
    EXPECT_EQ(0, table.Count());
}

// Two buckets: A (hash 1) and B (hash 5) share bucket 1, newest first. The third
// entry doubles the table to 4 buckets; moving the old chain from its head
// reverses A and B, which land in the same new bucket.
TEST(HashTableTest, WalkOrderByHandAcrossGrowths) {
    HashTable table(1);
    Key4 a = keyWithHash(1), b = keyWithHash(5), c = keyWithHash(0), d = keyWithHash(1, 7),
         e = keyWithHash(2);
    ASSERT_EQ(1, table.Add(a.bytes, 4, mark(0)));
    ASSERT_EQ(1, table.Add(b.bytes, 4, mark(1)));
    EXPECT_EQ((std::vector<int>{1, 0}), walk(table));
    ASSERT_EQ(1, table.Add(c.bytes, 4, mark(2)));  // 3 > 2 buckets: grows to 4
    EXPECT_EQ((std::vector<int>{0, 1, 2}), walk(table));
    ASSERT_EQ(1, table.Add(d.bytes, 4, mark(3)));  // 4 entries, 4 buckets: no growth
    EXPECT_EQ((std::vector<int>{3, 0, 1, 2}), walk(table));
    ASSERT_EQ(1, table.Add(e.bytes, 4, mark(4)));  // grows to 8: B moves to bucket 5
    EXPECT_EQ((std::vector<int>{1, 4, 0, 3, 2}), walk(table));
    EXPECT_EQ(5, table.Count());
}

// Keys with hash values 0..30 and 32 fill a default table of 32 buckets; the 32nd
// (hash 32) shares bucket 0. The 33rd doubles the table, and hash 32 moves to the top.
TEST(HashTableTest, DefaultTableDoublesOnThe33rdEntry) {
    HashTable table;
    std::vector<Key4> keys;
    for (unsigned hash = 0; hash <= 32; ++hash) keys.push_back(keyWithHash(hash));
    for (unsigned hash = 0; hash <= 30; ++hash) ASSERT_EQ(1, table.Add(keys[hash].bytes, 4, mark(static_cast<int>(hash))));
    ASSERT_EQ(1, table.Add(keys[32].bytes, 4, mark(32)));
    std::vector<int> expected;
    for (int hash = 30; hash >= 1; --hash) expected.push_back(hash);
    expected.insert(expected.end(), {32, 0});
    EXPECT_EQ(expected, walk(table)) << "32 entries keep 32 buckets";

    ASSERT_EQ(1, table.Add(keys[31].bytes, 4, mark(31)));
    expected.clear();
    for (int hash = 32; hash >= 0; --hash) expected.push_back(hash);
    EXPECT_EQ(expected, walk(table)) << "the 33rd entry makes 64 buckets";
}

TEST(HashTableTest, AddGetAndDelMoveTheCursor) {
    HashTable table;
    Key4 high = keyWithHash(9), middle = keyWithHash(5), low = keyWithHash(2);
    ASSERT_EQ(1, table.Add(low.bytes, 4, mark(2)));
    ASSERT_EQ(1, table.Add(middle.bytes, 4, mark(5)));
    ASSERT_EQ(1, table.Add(high.bytes, 4, mark(9)));
    EXPECT_EQ((std::vector<int>{9, 5, 2}), walk(table));
    EXPECT_EQ(nullptr, table.Next()) << "the end stays the end";

    // After the walk's end, Next scans on from the bucket that the last call left.
    Key4 highAgain = keyWithHash(9);
    EXPECT_EQ(0, table.Add(highAgain.bytes, 4, mark(99)));
    EXPECT_EQ(5, indexOf(table.Next())) << "a refused duplicate puts the cursor on its entry";
    EXPECT_EQ(mark(9), table.Get(high.bytes, 4)) << "and leaves its value";
    EXPECT_EQ(5, indexOf(table.Next())) << "Get puts the cursor on the entry";
    EXPECT_EQ(2, indexOf(table.Next()));
    EXPECT_EQ(nullptr, table.Next());
    EXPECT_EQ(nullptr, table.Get(middle.bytes, 3));
    EXPECT_EQ(nullptr, table.Next()) << "a miss leaves the cursor";
    EXPECT_EQ(1, table.Del(middle.bytes, 4));
    EXPECT_EQ(2, indexOf(table.Next())) << "Del leaves the cursor in the deleted entry's bucket";
}

// The walk saves the successor of the entry it returns. Deleting that successor
// before the next step must not bring the deleted entry back.
TEST(HashTableTest, DeletingTheNextEntryOfAWalkSkipsIt) {
    HashTable table;
    Key4 first = keyWithHash(1), second = keyWithHash(33), third = keyWithHash(65),
         lower = keyWithHash(0);
    ASSERT_EQ(1, table.Add(lower.bytes, 4, mark(0)));
    ASSERT_EQ(1, table.Add(first.bytes, 4, mark(1)));
    ASSERT_EQ(1, table.Add(second.bytes, 4, mark(33)));
    ASSERT_EQ(1, table.Add(third.bytes, 4, mark(65)));  // bucket 1: 65, 33, 1
    EXPECT_EQ(65, indexOf(table.First()));
    ASSERT_EQ(1, table.Del(second.bytes, 4));
    EXPECT_EQ(1, indexOf(table.Next()));
    EXPECT_EQ(0, indexOf(table.Next()));
    EXPECT_EQ(nullptr, table.Next());

    // The same at the end of a chain: the walk then scans on to the lower buckets.
    EXPECT_EQ(65, indexOf(table.First()));
    ASSERT_EQ(1, table.Del(first.bytes, 4));
    EXPECT_EQ(0, indexOf(table.Next()));
    EXPECT_EQ(nullptr, table.Next());
    EXPECT_EQ(2, table.Count());
}

// Sizes whose bucket array cannot exist give an object without a table.
TEST(HashTableTest, RefusedSizesHoldNoTable) {
    std::vector<int> refused = {-1, -100, 32, 33, 64, INT_MAX, INT_MIN};
    if (sizeof(void*) == 4) {
        refused.push_back(30);  // 2^30 four-byte pointers overflow a 32-bit size
        refused.push_back(31);
    }
    char key[] = "key";
    for (int logSize : refused) {
        HashTable table(logSize);
        EXPECT_EQ(0, table.Add(key, 3, mark(0))) << logSize;
        EXPECT_EQ(nullptr, table.Get(key, 3)) << logSize;
        EXPECT_EQ(0, table.Del(key, 3)) << logSize;
        EXPECT_EQ(nullptr, table.First()) << logSize;
        EXPECT_EQ(nullptr, table.Next()) << logSize;
        EXPECT_EQ(0, table.Count()) << logSize;
    }
    HashTable smallest(0);  // one bucket is a valid table
    EXPECT_EQ(1, smallest.Add(key, 3, mark(0)));
    EXPECT_EQ(1, smallest.Add(key, 2, mark(1)));
    EXPECT_EQ(2, smallest.Count());
}

}  // namespace
