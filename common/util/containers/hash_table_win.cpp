// The 32-bit Windows layout of the hash table and its pool, fixed at compile time.
// The same sources also build for 64-bit Windows, where pointers are 8 bytes and
// the layout follows the 64-bit rule, so each check applies to 32-bit pointers only.
#include "containers/hash_table.h"
#include "containers/hash_table_pool.h"

namespace util {
namespace containers {

constexpr bool kThirtyTwoBit = sizeof(void*) == 4;

static_assert(!kThirtyTwoBit || sizeof(HashNode) == 20, "a node is five 32-bit fields");
static_assert(!kThirtyTwoBit || sizeof(HashHeader) == 32, "the header is eight 32-bit fields");
static_assert(!kThirtyTwoBit || sizeof(HashTable) == 4, "a table holds one pointer");
static_assert(!kThirtyTwoBit || kNodePoolItemSize == 20, "pool slots are 20 bytes");
static_assert(!kThirtyTwoBit || (nodePoolBlockCapacity(kNodePoolItemSize, 0) == 1 &&
                                 nodePoolBlockCapacity(kNodePoolItemSize, 1) == 2 &&
                                 nodePoolBlockCapacity(kNodePoolItemSize, 2) == 4 &&
                                 nodePoolBlockCapacity(kNodePoolItemSize, 11) == 2048 &&
                                 nodePoolBlockCapacity(kNodePoolItemSize, 12) == 4096 &&
                                 nodePoolBlockCapacity(kNodePoolItemSize, 13) == 4096 &&
                                 nodePoolBlockCapacity(kNodePoolItemSize, 30) == 4096),
              "blocks hold 1, 2, 4, ... 2048, then 4096 nodes");

}  // namespace containers
}  // namespace util
