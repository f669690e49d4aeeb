// The node pool behind HashTable: blocks whose node count doubles while a block
// stays under 65,500 bytes, carved from their end towards their front, and a
// free list of recycled nodes linked through their first word (pKey). Nodes go
// back to the heap only when the whole pool is destroyed. Internal: not exported.
#ifndef UTIL_CONTAINERS_HASH_TABLE_POOL_H
#define UTIL_CONTAINERS_HASH_TABLE_POOL_H

#include <cstdint>

#include "containers/hash_table.h"

/// The start of every block; the nodes follow it.
struct NodePoolBlock {
    NodePoolBlock* pPrevious;  // the block allocated before this one
};

struct NodePool {
    NodePoolBlock* pBlocks;     // newest block first
    HashNode* pFree;            // recycled nodes
    std::uint32_t ulItemSize;   // node size rounded up to the node alignment
    std::uint32_t ulLogItems;   // log2 of the node count of the next block
    std::uint32_t ulBytesLeft;  // bytes at the front of the newest block not yet handed out
};

namespace util {
namespace containers {

/// A block of this many bytes or more stops the doubling.
constexpr std::uint32_t kNodePoolDoublingLimit = 65500;

/// The pool's slot size for a node: its size rounded up to a multiple of its
/// alignment (which is at least 4), so every carved node is aligned.
constexpr std::uint32_t kNodePoolItemSize =
    static_cast<std::uint32_t>((sizeof(HashNode) + alignof(HashNode) - 1) / alignof(HashNode) * alignof(HashNode));

/// Whether a block of blockBytes makes the next block twice as large.
constexpr bool nodePoolKeepsDoubling(std::uint32_t blockBytes) { return blockBytes < kNodePoolDoublingLimit; }

/// The node count of the block at blockIndex (0 first) for items of itemSize bytes.
constexpr std::uint32_t nodePoolBlockCapacity(std::uint32_t itemSize, std::uint32_t blockIndex) {
    std::uint32_t logItems = 0;
    for (std::uint32_t index = 0; index < blockIndex; ++index) {
        if (nodePoolKeepsDoubling(itemSize << logItems)) {
            ++logItems;
        }
    }
    return std::uint32_t{1} << logItems;
}

/// An empty pool, or null without memory.
NodePool* createNodePool();
/// A node, from the newest block's unused bytes, else the free list (cleared to
/// zeros), else a new block. Null when a new block cannot be allocated; the pool
/// is then as it was. Nodes carved from a block are not cleared.
HashNode* obtainNode(NodePool* pool);
/// Puts node on the free list. REQUIRES: node came from this pool and is not in use.
void releaseNode(NodePool* pool, HashNode* node);
/// Frees every block, then the pool. Null is ignored.
void destroyNodePool(NodePool* pool);

}  // namespace containers
}  // namespace util

#endif
