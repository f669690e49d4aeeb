// The records behind a configuration store handle, and the allocation hook that
// lets tests make an allocation fail. Internal: not exported.
#ifndef UTIL_CONFIG_CONFIG_RECORDS_H
#define UTIL_CONFIG_CONFIG_RECORDS_H

#include <cstddef>

struct ConfigEntry {
    char* key;    // points into this block, behind the three fields
    char* value;  // directly behind the key's NUL
    ConfigEntry* next;
};

struct ConfigSection {
    char* name;  // points into this block, behind the four fields
    ConfigEntry* firstEntry;
    ConfigEntry* lastEntry;
    ConfigSection* next;
};

struct ConfigStore {
    ConfigSection* firstSection;
    ConfigSection* lastSection;
};

namespace util {
namespace config {

/// Every record of a store comes from this zero-filling allocator (calloc by
/// default) and goes back with free.
using ZeroAllocator = void* (*)(std::size_t count, std::size_t size);

/// Replaces the allocator (null restores calloc) and returns the previous one.
/// For tests only; not thread-safe.
ZeroAllocator setConfigAllocator(ZeroAllocator allocator);

}  // namespace config
}  // namespace util

#endif
