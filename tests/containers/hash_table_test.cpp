// HashTable through the exported interface: refusals, the exact walk order across
// growths, the cursor, deletion during walks, objects without a table, and a long
// random run checked against a std::map.
#include "containers/hash_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <deque>
#include <map>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

namespace {

static_assert(!std::is_copy_assignable<HashTable>::value && !std::is_copy_constructible<HashTable>::value,
              "copying would share one header");

// 4-byte keys hash to the XOR of their bytes, so their buckets can be worked out
// by hand. The table keeps key pointers: the deque keeps every key alive and put.
std::deque<std::array<unsigned char, 4>> keyStore;
unsigned char* key4(unsigned hash, unsigned char variant = 0) {
    keyStore.push_back({static_cast<unsigned char>(hash ^ variant), variant, 0, 0});
    return keyStore.back().data();
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
std::vector<int> descending(int from, int to) {
    std::vector<int> values;
    for (int value = from; value >= to; --value) values.push_back(value);
    return values;
}

// Duplicates are compared by bytes (another buffer, same bytes), a prefix is
// another key; bad arguments are refused and change nothing.
TEST(HashTableTest, RefusesBadArgumentsAndDuplicates) {
    HashTable table;
    char key[] = "abc";
    std::string sameBytes = "abc";
    EXPECT_EQ(nullptr, table.Next()) << "Next before any First";
    ASSERT_EQ(1, table.Add(key, 3, mark(1)));
    EXPECT_EQ(0, table.Add(nullptr, 3, mark(0)) + table.Add(key, -1, mark(0)) + table.Add(key, 2, nullptr) +
                     table.Add(&sameBytes[0], 3, mark(2)));
    EXPECT_TRUE(table.Get(nullptr, 3) == nullptr && table.Get(key, -3) == nullptr && table.Get(key, 2) == nullptr);
    EXPECT_EQ(0, table.Del(nullptr, 3) + table.Del(key, -1) + table.Del(key, 2));
    EXPECT_EQ(1, table.Count());
    EXPECT_EQ(1, table.Del(&sameBytes[0], 3));
    EXPECT_EQ(0, table.Del(key, 3) + table.Count());
}

// Two buckets: A (hash 1) and B (hash 5) share bucket 1, newest first. The third
// entry doubles the table to 4 buckets; moving the old chain from its head
// reverses A and B, which land in the same new bucket. Then a default table of 32
// buckets holds hash values 0..30 and 32 (sharing bucket 0); the 33rd entry
// doubles it, and hash 32 moves to the top.
TEST(HashTableTest, WalkOrderByHandAcrossGrowths) {
    HashTable table(1);
    const struct {
        unsigned hash;
        unsigned char variant;
        std::vector<int> order;
    } steps[] = {{1, 0, {0}},
                 {5, 0, {1, 0}},
                 {0, 0, {0, 1, 2}},         // 3 > 2 buckets: grows to 4
                 {1, 7, {3, 0, 1, 2}},      // 4 entries, 4 buckets: no growth
                 {2, 0, {1, 4, 0, 3, 2}}};  // grows to 8: B moves to bucket 5
    int index = 0;
    for (const auto& step : steps) {
        ASSERT_EQ(1, table.Add(key4(step.hash, step.variant), 4, mark(index++)));
        EXPECT_EQ(step.order, walk(table)) << index << " entries";
    }

    HashTable defaultTable;
    for (int hash = 0; hash <= 32; ++hash) {
        if (hash != 31) {
            ASSERT_EQ(1, defaultTable.Add(key4(hash), 4, mark(hash)));
        }
    }
    std::vector<int> expected = descending(30, 1);
    expected.insert(expected.end(), {32, 0});
    EXPECT_EQ(expected, walk(defaultTable)) << "32 entries keep 32 buckets";
    ASSERT_EQ(1, defaultTable.Add(key4(31), 4, mark(31)));
    EXPECT_EQ(descending(32, 0), walk(defaultTable)) << "the 33rd entry makes 64 buckets";
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
    EXPECT_EQ(5, indexOf(table.Next())) << "Get puts the cursor on the entry";
    EXPECT_EQ(2, indexOf(table.Next()));
    EXPECT_EQ(nullptr, table.Next());
    EXPECT_EQ(nullptr, table.Get(key4(5), 3));
    EXPECT_EQ(nullptr, table.Next()) << "a miss leaves the cursor";
    EXPECT_EQ(1, table.Del(key4(5), 4));
    EXPECT_EQ(2, indexOf(table.Next())) << "Del leaves the cursor in the deleted entry's bucket";
}

// The walk saves the successor of the entry it returns. Deleting that successor
// before the next step must not bring the deleted entry back, in mid-chain or at
// a chain's end (where the walk scans on to the lower buckets).
TEST(HashTableTest, DeletingTheNextEntryOfAWalkSkipsIt) {
    HashTable table;
    for (int hash : {0, 1, 33, 65}) ASSERT_EQ(1, table.Add(key4(hash), 4, mark(hash)));  // bucket 1: 65, 33, 1
    EXPECT_EQ(65, indexOf(table.First()));
    ASSERT_EQ(1, table.Del(key4(33), 4));
    EXPECT_EQ(1, indexOf(table.Next()));
    EXPECT_EQ(0, indexOf(table.Next()));
    EXPECT_EQ(65, indexOf(table.First()));
    ASSERT_EQ(1, table.Del(key4(1), 4));
    EXPECT_EQ(0, indexOf(table.Next()));
    EXPECT_EQ(nullptr, table.Next());
    EXPECT_EQ(2, table.Count());
}

// Sizes whose bucket array cannot exist give an object without a table.
TEST(HashTableTest, RefusedSizesHoldNoTable) {
    std::vector<int> refused = {-1, 32, INT_MAX, INT_MIN};
    if (sizeof(void*) == 4) refused.push_back(30);  // 2^30 pointers overflow a 32-bit size
    char key[] = "key";
    for (int logSize : refused) {
        HashTable table(logSize);
        EXPECT_EQ(0, table.Add(key, 3, mark(0)) + table.Del(key, 3) + table.Count()) << logSize;
        EXPECT_TRUE(table.Get(key, 3) == nullptr && table.First() == nullptr && table.Next() == nullptr) << logSize;
    }
    HashTable smallest(0);  // one bucket is a valid table
    EXPECT_EQ(2, smallest.Add(key, 3, mark(0)) + smallest.Add(key, 2, mark(1)));
    EXPECT_EQ(2, smallest.Count());
}

// Random Add, Get, Del and walks (some deleting as they go) over 700 keys of
// lengths 0..40 (extra weight on 4), checked against a std::map at every step.
// Entries are deleted and re-added often, so growth and node reuse run too.
// Lookups go through copies of the keys: equal bytes make equal keys.
TEST(HashTableModel, RandomOperationsMatchAMap) {
    std::mt19937 random(20240305);
    std::vector<std::string> keys;
    while (keys.size() < 700) {
        std::string key(random() % 51, '\0');
        if (key.size() > 40) key.resize(4);
        for (char& byte : key) byte = static_cast<char>(random() & 0xFF);
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
    }
    std::vector<std::string> copies = keys;
    std::map<std::size_t, void*> model;  // key index -> value
    HashTable table;
    auto stored = [&](std::size_t index) { return model.count(index) != 0 ? model[index] : nullptr; };
    auto del = [&](std::size_t index) { return table.Del(&copies[index][0], static_cast<int>(keys[index].size())); };
    // Every entry must come out once; deletePercent of them are deleted as the walk returns them.
    auto walkAndCheck = [&](unsigned deletePercent) {
        std::map<void*, std::size_t> indexOfValue, seen;
        for (const auto& entry : model) indexOfValue[entry.second] = entry.first;
        for (void* value = table.First(); value != nullptr; value = table.Next()) {
            ASSERT_EQ(1u, indexOfValue.count(value)) << "walk returned a value not in the table";
            ASSERT_EQ(0u, seen[value]++) << "walk returned an entry twice";
            if (random() % 100 < deletePercent) {
                ASSERT_EQ(1, del(indexOfValue[value]));
                model.erase(indexOfValue[value]);
            }
        }
        EXPECT_EQ(indexOfValue.size(), seen.size()) << "walk missed entries";
    };
    std::uintptr_t nextValue = 8;
    int largestCount = 0;
    for (int step = 0; step < 30000; ++step) {
        SCOPED_TRACE(step);
        const std::size_t index = random() % keys.size();
        const int length = static_cast<int>(keys[index].size());
        const unsigned operation = random() % 1000;
        if (operation < (step < 3000 ? 700u : 450u)) {  // adds outweigh deletes early, so the table grows
            void* value = reinterpret_cast<void*>(nextValue += 8);
            const bool absent = stored(index) == nullptr;
            ASSERT_EQ(absent ? 1 : 0, table.Add(&keys[index][0], length, value));
            if (absent) model[index] = value;
        } else if (operation < 995 && operation >= 800) {
            ASSERT_EQ(model.erase(index) == 1 ? 1 : 0, del(index));
        } else if (operation >= 995) {
            walkAndCheck(operation % 2 == 0 ? 0 : 30);
            if (HasFatalFailure()) return;
        }
        ASSERT_EQ(stored(index), table.Get(&copies[index][0], length));
        ASSERT_EQ(static_cast<int>(model.size()), table.Count());
        largestCount = std::max(largestCount, table.Count());
    }
    EXPECT_GT(largestCount, 300) << "the run should grow the table several times";
    walkAndCheck(100);
    EXPECT_EQ(0, table.Count());
}

}  // namespace
