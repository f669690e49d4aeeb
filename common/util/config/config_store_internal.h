// Record construction shared by the store's loader and its operations. Internal.
#ifndef UTIL_CONFIG_CONFIG_STORE_INTERNAL_H
#define UTIL_CONFIG_CONFIG_STORE_INTERNAL_H

#include <cstddef>

#include "config/config_records.h"

namespace util {
namespace config {

/// One zero-filled block from the current allocator, or null.
void* allocateZeroed(std::size_t size);
/// A section record carrying a copy of name[0, nameLength); null without memory.
ConfigSection* newSection(const char* name, std::size_t nameLength);
/// An entry record carrying copies of key and value; null without memory.
ConfigEntry* newEntry(const char* key, std::size_t keyLength, const char* value, std::size_t valueLength);
void appendSection(ConfigStore* store, ConfigSection* section);
void appendEntry(ConfigSection* section, ConfigEntry* entry);

}  // namespace config
}  // namespace util

#endif
