// HashTable's node pool.
#include "containers/hash_table_pool.h"

#include <cstring>

#include "containers/hash_table_memory.h"

namespace util {
namespace containers {

static_assert(kNodePoolItemSize % 4 == 0 && kNodePoolItemSize >= sizeof(HashNode),
              "pool slots hold a node and keep 4-byte multiples");
static_assert(sizeof(NodePoolBlock) % alignof(HashNode) == 0, "nodes after a block header stay aligned");
static_assert(nodePoolBlockCapacity(kNodePoolItemSize, 40) * kNodePoolItemSize < 0x80000000u,
              "block sizes stay far from 32-bit overflow");

namespace {

unsigned char* blockStorage(NodePoolBlock* block) {
    return reinterpret_cast<unsigned char*>(block) + sizeof(NodePoolBlock);
}

}  // namespace

NodePool* createNodePool() {
    NodePool* pool = static_cast<NodePool*>(allocateMemory(sizeof(NodePool)));
    if (pool == nullptr) {
        return nullptr;
    }
    pool->pBlocks = nullptr;
    pool->pFree = nullptr;
    pool->ulItemSize = kNodePoolItemSize;
    pool->ulLogItems = 0;
    pool->ulBytesLeft = 0;
    return pool;
}

HashNode* obtainNode(NodePool* pool) {
    if (pool->ulBytesLeft >= pool->ulItemSize) {
        pool->ulBytesLeft -= pool->ulItemSize;
        return reinterpret_cast<HashNode*>(blockStorage(pool->pBlocks) + pool->ulBytesLeft);
    }
    if (pool->pFree != nullptr) {
        HashNode* node = pool->pFree;
        pool->pFree = static_cast<HashNode*>(node->pKey);
        std::memset(node, 0, pool->ulItemSize);
        return node;
    }
    const std::uint32_t savedLogItems = pool->ulLogItems;
    const std::uint32_t savedBytesLeft = pool->ulBytesLeft;
    const std::uint32_t blockBytes = pool->ulItemSize << pool->ulLogItems;
    if (nodePoolKeepsDoubling(blockBytes)) {
        ++pool->ulLogItems;
    }
    NodePoolBlock* block = static_cast<NodePoolBlock*>(allocateMemory(sizeof(NodePoolBlock) + blockBytes));
    if (block == nullptr) {
        pool->ulLogItems = savedLogItems;
        pool->ulBytesLeft = savedBytesLeft;
        return nullptr;
    }
    block->pPrevious = pool->pBlocks;
    pool->pBlocks = block;
    pool->ulBytesLeft = blockBytes - pool->ulItemSize;
    return reinterpret_cast<HashNode*>(blockStorage(block) + pool->ulBytesLeft);
}

void releaseNode(NodePool* pool, HashNode* node) {
    node->pKey = pool->pFree;
    pool->pFree = node;
}

void destroyNodePool(NodePool* pool) {
    if (pool == nullptr) {
        return;
    }
    NodePoolBlock* block = pool->pBlocks;
    while (block != nullptr) {
        NodePoolBlock* previous = block->pPrevious;
        releaseMemory(block);
        block = previous;
    }
    releaseMemory(pool);
}

}  // namespace containers
}  // namespace util
