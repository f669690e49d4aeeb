// HashTable: chains in a power-of-two bucket array, a cursor, growth by doubling.
#include "containers/hash_table.h"

#include <cstddef>
#include <cstring>

#include "containers/hash_table_hash.h"
#include "containers/hash_table_memory.h"
#include "containers/hash_table_pool.h"

namespace {

using util::containers::allocateClearedMemory;
using util::containers::allocateMemory;
using util::containers::releaseMemory;

// The bucket count must fit the 32-bit mask and cursor, and the array's bytes size_t.
bool bucketArrayFits(std::uint32_t logSize) {
    if (logSize > 31) {
        return false;
    }
    const std::size_t bucketCount = std::size_t{1} << logSize;
    return bucketCount <= static_cast<std::size_t>(-1) / sizeof(HashNode*);
}

std::uint64_t bucketCount(const HashHeader* header) { return static_cast<std::uint64_t>(header->ulMask) + 1; }

// Byte equality of two keys of one length; short keys without a library call.
inline bool sameBytes(const void* left, const void* right, int length) {
    if (length == 16) {
        std::uint64_t l[2], r[2];
        std::memcpy(l, left, 16);
        std::memcpy(r, right, 16);
        return ((l[0] ^ r[0]) | (l[1] ^ r[1])) == 0;
    }
    return std::memcmp(left, right, static_cast<std::size_t>(length)) == 0;
}

inline HashNode* findInBucket(const HashHeader* header, std::uint32_t bucket, std::uint32_t hash, const void* key,
                              int keyLength) {
    for (HashNode* node = header->ppBuckets[bucket]; node != nullptr; node = node->pNext) {
        if (node->ulHash == hash && node->nKeyLen == keyLength && sameBytes(node->pKey, key, keyLength)) {
            return node;
        }
    }
    return nullptr;
}

// Finds key and, when found, puts the cursor on it.
HashNode* findAndPosition(HashHeader* header, const void* key, int keyLength) {
    const std::uint32_t hash = util::containers::hashKey(key, keyLength);
    const std::uint32_t bucket = hash & header->ulMask;
    HashNode* node = findInBucket(header, bucket, hash, key, keyLength);
    if (node != nullptr) {
        header->ulPos = bucket;
        header->pCurrent = node;
    }
    return node;
}

// Get of any key; apart from Get's own path so that the common one stays short.
__attribute__((noinline)) void* getAnyKey(HashHeader* header, const void* key, int keyLength) {
    HashNode* node = findAndPosition(header, key, keyLength);
    return node != nullptr ? node->pValue : nullptr;
}

// The downward scan: the first non-empty bucket below ulPos becomes the cursor.
bool scanDown(HashHeader* header) {
    header->pCurrent = nullptr;
    for (std::uint32_t index = header->ulPos; index-- > 0;) {
        if (header->ppBuckets[index] != nullptr) {
            header->ulPos = index;
            header->pCurrent = header->ppBuckets[index];
            return true;
        }
    }
    return false;
}

void positionOnFirst(HashHeader* header) {
    header->ulPos = static_cast<std::uint32_t>(bucketCount(header));
    header->pWalkNext = scanDown(header) ? header->pCurrent->pNext : nullptr;
}

// Doubles the bucket array, re-bucketing by the stored hash values. On failure the
// table keeps its size.
bool grow(HashHeader* header) {
    const std::uint32_t newLogSize = header->ulLogSize + 1;
    if (!bucketArrayFits(newLogSize)) {
        return false;
    }
    const std::size_t newCount = std::size_t{1} << newLogSize;
    HashNode** newBuckets = static_cast<HashNode**>(allocateClearedMemory(newCount, sizeof(HashNode*)));
    if (newBuckets == nullptr) {
        return false;
    }
    HashNode** oldBuckets = header->ppBuckets;
    const std::size_t oldCount = static_cast<std::size_t>(bucketCount(header));
    header->ppBuckets = newBuckets;
    header->ulLogSize = newLogSize;
    header->ulMask = static_cast<std::uint32_t>(newCount - 1);
    for (std::size_t index = oldCount; index-- > 0;) {
        HashNode* node = oldBuckets[index];
        while (node != nullptr) {
            HashNode* following = node->pNext;
            const std::uint32_t bucket = node->ulHash & header->ulMask;
            node->pNext = newBuckets[bucket];
            newBuckets[bucket] = node;
            node = following;
        }
    }
    positionOnFirst(header);
    releaseMemory(oldBuckets);
    return true;
}

// Unlinks the cursor's node and recycles it; the cursor goes to its bucket's head.
int removeCurrent(HashHeader* header) {
    HashNode* node = header->pCurrent;
    if (node == nullptr || header->ulPos > header->ulMask) {
        return 0;
    }
    HashNode** link = &header->ppBuckets[header->ulPos];
    while (*link != nullptr && *link != node) {
        link = &(*link)->pNext;
    }
    if (*link == nullptr) {
        return 0;
    }
    *link = node->pNext;
    // A walk must never come back to a recycled node.
    if (header->pWalkNext == node) {
        header->pWalkNext = node->pNext;
    }
    --header->ulCount;
    header->pCurrent = header->ppBuckets[header->ulPos];
    util::containers::releaseNode(header->pPool, node);
    return 1;
}

}  // namespace

HashTable::HashTable(int logSize) : pHeader(nullptr) {
    if (logSize < 0 || !bucketArrayFits(static_cast<std::uint32_t>(logSize))) {
        return;
    }
    HashHeader* header = static_cast<HashHeader*>(allocateMemory(sizeof(HashHeader)));
    if (header == nullptr) {
        return;
    }
    const std::size_t count = std::size_t{1} << logSize;
    header->ppBuckets = static_cast<HashNode**>(allocateClearedMemory(count, sizeof(HashNode*)));
    if (header->ppBuckets == nullptr) {
        releaseMemory(header);
        return;
    }
    header->ulLogSize = static_cast<std::uint32_t>(logSize);
    header->ulMask = static_cast<std::uint32_t>(count - 1);
    header->ulCount = 0;
    header->ulPos = 0;
    header->pCurrent = nullptr;
    header->pPool = util::containers::createNodePool();
    if (header->pPool == nullptr) {
        releaseMemory(header->ppBuckets);
        releaseMemory(header);
        return;
    }
    header->pWalkNext = nullptr;
    pHeader = header;
}

HashTable::~HashTable() {
    if (pHeader == nullptr) {
        return;
    }
    // Every node lives in a pool block, so freeing the blocks frees them all.
    util::containers::destroyNodePool(pHeader->pPool);
    releaseMemory(pHeader->ppBuckets);
    releaseMemory(pHeader);
    pHeader = nullptr;
}

int HashTable::Add(void* key, int keyLen, void* value) {
    HashHeader* header = pHeader;
    if (header == nullptr || key == nullptr || keyLen < 0 || value == nullptr) {
        return 0;
    }
    const std::uint32_t hash = util::containers::hashKey(key, keyLen);
    std::uint32_t bucket = hash & header->ulMask;
    if (HashNode* existing = findInBucket(header, bucket, hash, key, keyLen)) {
        header->ulPos = bucket;
        header->pCurrent = existing;
        return 0;
    }
    HashNode* node = util::containers::obtainNode(header->pPool);
    if (node == nullptr) {
        return 0;
    }
    ++header->ulCount;
    if (header->ulCount > bucketCount(header) && grow(header)) {
        bucket = hash & header->ulMask;
    }
    node->pKey = key;
    node->nKeyLen = keyLen;
    node->pValue = value;
    node->ulHash = hash;
    node->pNext = header->ppBuckets[bucket];
    header->ppBuckets[bucket] = node;
    header->ulPos = bucket;
    header->pCurrent = node;
    return 1;
}

void* HashTable::Get(void* key, int keyLen) {
    HashHeader* header = pHeader;
    if (header == nullptr || key == nullptr || keyLen < 0) {
        return nullptr;
    }
    // The whole look-up is one short stretch of code without calls: the fewer
    // instructions between two look-ups, the more of their cache misses the
    // processor overlaps. 16-byte keys on a word boundary (addresses, ids) take
    // a path of their own that needs no call at all.
    std::uint32_t hash;
    HashNode* node;
    if (keyLen == 16 && util::containers::hashesByWords(key)) {
        hash = util::containers::hash_detail::lookup2Aligned16(static_cast<const unsigned char*>(key));
        node = header->ppBuckets[hash & header->ulMask];
        while (node != nullptr && !(node->ulHash == hash && node->nKeyLen == 16 && sameBytes(node->pKey, key, 16))) {
            node = node->pNext;
        }
    } else {
        return getAnyKey(header, key, keyLen);
    }
    if (node == nullptr) {
        return nullptr;
    }
    header->ulPos = hash & header->ulMask;
    header->pCurrent = node;
    return node->pValue;
}

int HashTable::Del(void* key, int keyLen) {
    if (pHeader == nullptr || key == nullptr || keyLen < 0) {
        return 0;
    }
    if (findAndPosition(pHeader, key, keyLen) == nullptr) {
        return 0;
    }
    return removeCurrent(pHeader);
}

void* HashTable::First() {
    if (pHeader == nullptr) {
        return nullptr;
    }
    positionOnFirst(pHeader);
    return pHeader->pCurrent != nullptr ? pHeader->pCurrent->pValue : nullptr;
}

void* HashTable::Next() {
    HashHeader* header = pHeader;
    if (header == nullptr) {
        return nullptr;
    }
    if (header->pWalkNext != nullptr) {
        header->pCurrent = header->pWalkNext;
        header->pWalkNext = header->pCurrent->pNext;
        return header->pCurrent->pValue;
    }
    if (!scanDown(header)) {
        return nullptr;
    }
    header->pWalkNext = header->pCurrent->pNext;
    return header->pCurrent->pValue;
}

int HashTable::Count() { return pHeader != nullptr ? static_cast<int>(pHeader->ulCount) : 0; }
