// HashTable: a map from byte-string keys to untyped values, with a built-in cursor.
//
// The table keeps the caller's key pointer and value pointer; it never copies or
// frees the key bytes or the values, so the caller keeps both alive while they are
// in the table. Two keys are equal when their lengths and bytes are equal; the key
// pointers play no part, and every zero-length key equals every other.
//
//   HashTable table;                        // 32 buckets
//   table.Add(name, nameLength, session);   // 1 when added, 0 when refused
//   Session* found = static_cast<Session*>(table.Get(name, nameLength));
//   for (void* value = table.First(); value != nullptr; value = table.Next()) { ... }
//
// Buckets are a power-of-two array of chains; the table doubles on the insertion
// that makes the entries outnumber the buckets (the 33rd entry of a 32-bucket table)
// and never shrinks. Chain nodes come from a pool of growing blocks and are recycled
// through a free list, so most adds and deletes do not touch the heap.
//
// Hash values. A key of exactly 4 bytes hashes to the XOR of its four bytes (0..255):
// such keys only ever use buckets 0 to 255, however large the table grows, so a table
// of many 4-byte keys degrades to 256 long chains and its operations slow down in
// proportion. The value is kept because the walk order depends on it. Every other
// length hashes with the 1996 lookup2 function (initial value 0), on unsigned bytes,
// identically on every platform.
//
// Walk order. First and Next return the entries bucket by bucket from the highest
// bucket index down to 0, and within a bucket in chain order: newest first, except in
// chains that a growth rebuilt (growth moves each old chain from its head, which
// reverses the order of nodes that land in the same new bucket). A Del of the entry
// the walk just returned does not disturb the walk. Get, Add and Del also move the
// cursor: a walk that goes on after them continues from the bucket they left, and an
// Add that grows the table puts the cursor on the first entry.
//
// Results. Add and Del return 1 or 0; Get, First and Next return the value or null.
// Since null values are refused, a null result always means "no entry". A null key,
// a negative length, a null value (Add) or a table that could not be created gives 0
// or null and changes nothing.
//
// Thread safety: none. One thread at a time; callers that share a table serialise
// every call, Get, First and Next included, since all of them move the cursor.
//
// Platform differences. On 32-bit Windows (util.dll) a node is 20 bytes and the
// pool's blocks hold 1, 2, 4, ... 2048 and then 4096 nodes each. With 64-bit
// pointers (Linux, 64-bit test builds) a node is 40 bytes and the blocks hold
// 1, 2, 4, ... 1024 and then 2048 nodes: the rule is the same (node size rounded to
// the pointer alignment; a block below 65,500 bytes doubles the next block). Hash
// values and walk order are the same everywhere. The largest accepted logSize is 29
// with 32-bit pointers and 31 with 64-bit ones (see below).
//
// Choices where the design leaves one:
//  - Copying is forbidden (copy construction and copy assignment are deleted): a
//    member-wise copy would share one header between two objects, and both would
//    free it.
//  - HashTable(logSize) refuses a negative logSize, a logSize above 31 (the bucket
//    count must fit the 32-bit mask and cursor) and one whose bucket array's byte size
//    does not fit in size_t (above 29 on 32-bit targets). A refused or failed
//    construction leaves an object without a table: Count() is 0 and every other
//    operation returns 0 or null. Growth stops at the same limit, keeping the table
//    at its present size, as when memory for growth runs out.
//  - Deleting the entry that the walk would return next (not the one it just
//    returned) moves the walk on to that entry's successor, so Next never returns a
//    deleted entry or a recycled node.
//  - The destructor frees the pool's blocks wholesale rather than unlinking entries
//    one by one; either way no key or value is touched.
#ifndef UTIL_CONTAINERS_HASH_TABLE_H
#define UTIL_CONTAINERS_HASH_TABLE_H

#include <cstdint>

#include "platform/export.h"

/// One entry: a chain node. While recycled, pKey links the pool's free list.
struct HashNode {
    void* pKey;            // the caller's key pointer
    int nKeyLen;           // key length in bytes
    void* pValue;          // the caller's value
    std::uint32_t ulHash;  // the key's hash value, so growth and comparisons need no rehash
    HashNode* pNext;       // next node in the same bucket
};

/// The node pool (blocks, free list); defined with the pool's code.
struct NodePool;

/// The table's state, reached through HashTable's single pointer.
struct HashHeader {
    HashNode** ppBuckets;     // chain heads, 2^ulLogSize entries
    std::uint32_t ulLogSize;  // log2 of the bucket count
    std::uint32_t ulMask;     // bucket count - 1; a hash's bucket is hash & ulMask
    std::uint32_t ulCount;    // number of entries
    std::uint32_t ulPos;      // cursor: current bucket index
    HashNode* pCurrent;       // cursor: current node, or null
    NodePool* pPool;          // supplies the nodes
    HashNode* pWalkNext;      // what the next Next returns without a scan
};

class UTIL_API HashTable {
public:
    /// A table of 2^logSize buckets (32 by default). Holds no table when logSize is
    /// refused (see above) or an allocation fails.
    explicit HashTable(int logSize = 5);
    /// Frees the table's own memory; keys and values are left alone.
    ~HashTable();
    HashTable(const HashTable&) = delete;
    HashTable& operator=(const HashTable&) = delete;

    /// Adds key -> value and puts the cursor on it. Returns 1; 0 for a null key or
    /// value, a negative length, no table, no memory for a node, or a key already
    /// present (then the cursor moves to that entry and its value stays as it was).
    int Add(void* key, int keyLen, void* value);
    /// The value stored for key, with the cursor moved to it; null when absent or
    /// for a null key, a negative length or no table (the cursor then stays).
    void* Get(void* key, int keyLen);
    /// Removes the entry for key. Returns 1; 0 when absent, for a null key, a
    /// negative length or no table.
    int Del(void* key, int keyLen);
    /// Puts the cursor on the first entry in walk order; its value, or null when empty.
    void* First();
    /// Moves to the next entry in walk order; its value, or null at the end.
    void* Next();
    /// The number of entries; 0 without a table.
    int Count();

private:
    friend struct HashTableInspector;  // lets the internal tests read the header
    HashHeader* pHeader;
};

#endif
