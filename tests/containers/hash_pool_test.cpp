// The node pool (block sizes, carving, recycling) and every allocation failure.
#include "containers/hash_table.h"
#include "containers/hash_table_memory.h"
#include "containers/hash_table_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

struct HashTableInspector {
    static HashHeader* header(HashTable& table) { return table.pHeader; }
};

namespace {

using namespace util::containers;

// Restores normal allocation when a test ends, even on failure.
struct AllocationFailures {
    explicit AllocationFailures(int successes) { failAllocationsAfter(successes); }
    ~AllocationFailures() { failAllocationsAfter(-1); }
};

TEST(NodePoolTest, BlocksDoubleUntilTheThresholdThenStay) {
    const bool windowsLayout = sizeof(void*) == 4;
    EXPECT_EQ(windowsLayout ? 20u : 40u, kNodePoolItemSize);
    std::vector<std::uint32_t> expected;
    const std::uint32_t cap = windowsLayout ? 4096 : 2048;
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
        } else {
            // Within a block, nodes are carved from its end towards its front.
            ASSERT_EQ(reinterpret_cast<char*>(previous) - pool->ulItemSize,
                      reinterpret_cast<char*>(node));
        }
        previous = node;
    }
    EXPECT_EQ(expected, capacities);
    destroyNodePool(pool);
}

TEST(NodePoolTest, RecycledNodesWaitForTheNewestBlockAndComeBackCleared) {
    NodePool* pool = createNodePool();
    ASSERT_NE(nullptr, pool);
    HashNode* single = obtainNode(pool);   // block of 1
    HashNode* pairEnd = obtainNode(pool);  // block of 2, one node left
    single->pKey = single;
    single->nKeyLen = 9;
    single->pValue = pool;
    single->ulHash = 77;
    single->pNext = pairEnd;
    releaseNode(pool, single);
    HashNode* pairFront = obtainNode(pool);
    EXPECT_NE(single, pairFront) << "the newest block's bytes go first";
    releaseNode(pool, pairEnd);
    EXPECT_EQ(pairEnd, obtainNode(pool)) << "the free list is last in, first out";
    HashNode* reused = obtainNode(pool);
    ASSERT_EQ(single, reused);
    EXPECT_EQ(nullptr, reused->pKey);
    EXPECT_EQ(0, reused->nKeyLen);
    EXPECT_EQ(nullptr, reused->pValue);
    EXPECT_EQ(0u, reused->ulHash);
    EXPECT_EQ(nullptr, reused->pNext);
    EXPECT_EQ(nullptr, pool->pFree);
    destroyNodePool(pool);
}

TEST(NodePoolTest, FailedBlockAllocationLeavesThePoolAsItWas) {
    NodePool* pool = createNodePool();
    ASSERT_NE(nullptr, pool);
    for (int index = 0; index < 7; ++index) ASSERT_NE(nullptr, obtainNode(pool));  // blocks of 1, 2 and 4, used up
    const NodePoolBlock* newest = pool->pBlocks;
    {
        AllocationFailures failures(0);
        EXPECT_EQ(nullptr, obtainNode(pool));
    }
    EXPECT_EQ(newest, pool->pBlocks);
    EXPECT_EQ(3u, pool->ulLogItems);
    EXPECT_EQ(0u, pool->ulBytesLeft);
    ASSERT_NE(nullptr, obtainNode(pool));
    EXPECT_EQ(7 * pool->ulItemSize, pool->ulBytesLeft) << "the next block still holds 8 nodes";
    destroyNodePool(pool);
}

TEST(HashTableInternalsTest, ConstructionFailuresLeaveNoTableAndNoLeak) {
    char key[] = "key";
    for (int successes = 0; successes < 3; ++successes) {  // header, buckets, pool
        AllocationFailures failures(successes);
        HashTable table;
        EXPECT_EQ(nullptr, HashTableInspector::header(table)) << successes;
        EXPECT_EQ(0, table.Add(key, 3, key));
        EXPECT_EQ(0, table.Count());
    }
    AllocationFailures failures(3);
    HashTable table;
    EXPECT_NE(nullptr, HashTableInspector::header(table));
}

TEST(HashTableInternalsTest, FailedGrowthKeepsTheSizeAndFailedNodeRefusesTheAdd) {
    HashTable table(1);
    HashHeader* header = HashTableInspector::header(table);
    std::string keys[5] = {"k0", "k1", "k2", "k3", "k4"};
    auto add = [&](int index) {
        return table.Add(&keys[index][0], static_cast<int>(keys[index].size()), &keys[index]);
    };
    ASSERT_EQ(1, add(0));  // block of 1
    ASSERT_EQ(1, add(1));  // block of 2, one node left for the next add
    {
        AllocationFailures failures(0);
        EXPECT_EQ(1, add(2)) << "the entry goes in even when growth fails";
        EXPECT_EQ(1u, header->ulLogSize);
        EXPECT_EQ(3, table.Count());
        EXPECT_EQ(0, add(3)) << "no node can be had";
        EXPECT_EQ(3, table.Count());
        EXPECT_EQ(3u, header->ulCount);
        EXPECT_EQ(nullptr, table.Get(&keys[3][0], 2));
    }
    ASSERT_EQ(1, add(3));
    EXPECT_EQ(2u, header->ulLogSize) << "growth is tried again";
    for (int index = 0; index < 4; ++index) EXPECT_EQ(&keys[index], table.Get(&keys[index][0], 2));
}

}  // namespace
