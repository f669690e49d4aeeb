// The hash table's heap access, in one place so that tests can make it fail.
// Internal to the library: not exported.
#ifndef UTIL_CONTAINERS_HASH_TABLE_MEMORY_H
#define UTIL_CONTAINERS_HASH_TABLE_MEMORY_H

#include <cstddef>

namespace util {
namespace containers {

/// malloc: null when the memory cannot be had (or a test makes it fail).
void* allocateMemory(std::size_t bytes);
/// calloc: count * size cleared bytes; null on failure or when the product overflows.
void* allocateClearedMemory(std::size_t count, std::size_t size);
/// free; null is ignored.
void releaseMemory(void* memory);

/// For tests: the next `successes` allocations succeed and every later one fails,
/// until called again. A negative value (the default) never fails. Not thread-safe.
void failAllocationsAfter(int successes);

}  // namespace containers
}  // namespace util

#endif
