// The configuration store's records and its look-up, change, output and release.
#include "config/config_store.h"

#include <cstdlib>
#include <cstring>

#include "config/config_records.h"
#include "config/config_store_internal.h"

namespace util {
namespace config {

namespace {

ZeroAllocator currentAllocator = std::calloc;

ConfigStore* asStore(void* handle) { return static_cast<ConfigStore*>(handle); }

ConfigSection* findSection(ConfigSection* from, const char* name) {
    for (ConfigSection* section = from; section != nullptr; section = section->next) {
        if (std::strcmp(section->name, name) == 0) {
            return section;
        }
    }
    return nullptr;
}

// The first entry `key` of `section`, and the entry before it (null when first).
ConfigEntry* findEntry(ConfigSection* section, const char* key, ConfigEntry** previous) {
    *previous = nullptr;
    for (ConfigEntry* entry = section->firstEntry; entry != nullptr; entry = entry->next) {
        if (std::strcmp(entry->key, key) == 0) {
            return entry;
        }
        *previous = entry;
    }
    return nullptr;
}

// The loader's white space: space, tab, LF, VT, FF, CR.
const char kWhiteSpace[] = " \t\n\v\f\r";
// One read of the loader takes at most this many characters of a line.
constexpr std::size_t kLongestLine = 4094;

bool isWhiteSpace(char c) { return c != '\0' && std::strchr(kWhiteSpace, c) != nullptr; }

// True when DumpConfig writes the section, key and value as lines that the
// loader reads back to the same three strings and nothing else.
bool readsBack(const char* section, const char* key, const char* value) {
    const std::size_t sectionLength = std::strlen(section);
    const std::size_t keyLength = std::strlen(key);
    const std::size_t valueLength = std::strlen(value);
    const bool sectionOk = sectionLength > 0 && sectionLength + 2 <= kLongestLine &&
                           std::strpbrk(section, kWhiteSpace) == nullptr && std::strpbrk(section, "[]") == nullptr;
    const bool keyOk =
        std::strpbrk(key, kWhiteSpace) == nullptr && std::strchr(key, '=') == nullptr && key[0] != '#' && key[0] != '[';
    const bool valueOk = std::strpbrk(value, "\r\n") == nullptr &&
                         (valueLength == 0 || (!isWhiteSpace(value[0]) && !isWhiteSpace(value[valueLength - 1])));
    return sectionOk && keyOk && valueOk && keyLength + 3 + valueLength <= kLongestLine;
}

}  // namespace

ZeroAllocator setConfigAllocator(ZeroAllocator allocator) {
    const ZeroAllocator previous = currentAllocator;
    currentAllocator = allocator != nullptr ? allocator : std::calloc;
    return previous;
}

void* allocateZeroed(std::size_t size) { return currentAllocator(1, size); }

ConfigSection* newSection(const char* name, std::size_t nameLength) {
    void* block = allocateZeroed(sizeof(ConfigSection) + nameLength + 1);
    if (block == nullptr) {
        return nullptr;
    }
    ConfigSection* section = static_cast<ConfigSection*>(block);
    section->name = reinterpret_cast<char*>(section + 1);
    std::memcpy(section->name, name, nameLength);  // the NUL is already there
    return section;
}

ConfigEntry* newEntry(const char* key, std::size_t keyLength, const char* value, std::size_t valueLength) {
    void* block = allocateZeroed(sizeof(ConfigEntry) + keyLength + 1 + valueLength + 1);
    if (block == nullptr) {
        return nullptr;
    }
    ConfigEntry* entry = static_cast<ConfigEntry*>(block);
    entry->key = reinterpret_cast<char*>(entry + 1);
    std::memcpy(entry->key, key, keyLength);
    entry->value = entry->key + keyLength + 1;
    std::memcpy(entry->value, value, valueLength);
    return entry;
}

void appendSection(ConfigStore* store, ConfigSection* section) {
    if (store->lastSection == nullptr) {
        store->firstSection = section;
    } else {
        store->lastSection->next = section;
    }
    store->lastSection = section;
}

void appendEntry(ConfigSection* section, ConfigEntry* entry) {
    if (section->lastEntry == nullptr) {
        section->firstEntry = entry;
    } else {
        section->lastEntry->next = entry;
    }
    section->lastEntry = entry;
}

}  // namespace config
}  // namespace util

using namespace util::config;

void* CreateConfig() { return allocateZeroed(sizeof(ConfigStore)); }

int GetConfig(void* handle, const char* section, const char* key, char* buffer, int* length) {
    if (handle == nullptr || section == nullptr || key == nullptr || buffer == nullptr || length == nullptr) {
        return 0;
    }
    ConfigStore* store = asStore(handle);
    // A section of the right name that lacks the key does not end the search.
    for (ConfigSection* current = findSection(store->firstSection, section); current != nullptr;
         current = findSection(current->next, section)) {
        ConfigEntry* previous;
        ConfigEntry* entry = findEntry(current, key, &previous);
        if (entry == nullptr) {
            continue;
        }
        const std::size_t valueLength = std::strlen(entry->value);
        if (valueLength > 0x7FFFFFFF || *length < static_cast<int>(valueLength)) {
            *length = valueLength > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(valueLength);
            return 0;
        }
        std::memcpy(buffer, entry->value, valueLength + 1);
        *length = static_cast<int>(valueLength);
        return 1;
    }
    *length = 0;
    return 0;
}

int SetConfig(void* handle, const char* section, const char* key, const char* value) {
    if (handle == nullptr || section == nullptr || key == nullptr || value == nullptr ||
        !readsBack(section, key, value)) {
        return 0;
    }
    ConfigStore* store = asStore(handle);
    // The new entry is made first, so that running out of memory changes nothing.
    ConfigEntry* replacement = newEntry(key, std::strlen(key), value, std::strlen(value));
    if (replacement == nullptr) {
        return 0;
    }
    ConfigSection* target = findSection(store->firstSection, section);
    if (target == nullptr) {
        target = newSection(section, std::strlen(section));
        if (target == nullptr) {
            std::free(replacement);
            return 0;
        }
        appendSection(store, target);
    }
    ConfigEntry* previous;
    ConfigEntry* old = findEntry(target, key, &previous);
    if (old != nullptr) {
        if (previous == nullptr) {
            target->firstEntry = old->next;
        } else {
            previous->next = old->next;
        }
        if (target->lastEntry == old) {
            target->lastEntry = previous;
        }
        std::free(old);
    }
    appendEntry(target, replacement);
    return 1;
}

int DumpConfig(void* handle, std::FILE* stream) {
    if (handle == nullptr || stream == nullptr) {
        return 0;
    }
    for (ConfigSection* section = asStore(handle)->firstSection; section != nullptr; section = section->next) {
        std::fprintf(stream, "[%s]\n", section->name);
        for (ConfigEntry* entry = section->firstEntry; entry != nullptr; entry = entry->next) {
            std::fprintf(stream, "%s = %s\n", entry->key, entry->value);
        }
    }
    return 1;
}

int CloseConfig(void* handle) {
    if (handle == nullptr) {
        return 0;
    }
    ConfigStore* store = asStore(handle);
    ConfigSection* section = store->firstSection;
    while (section != nullptr) {
        ConfigEntry* entry = section->firstEntry;
        while (entry != nullptr) {
            ConfigEntry* nextEntry = entry->next;
            std::free(entry);
            entry = nextEntry;
        }
        ConfigSection* nextSection = section->next;
        std::free(section);
        section = nextSection;
    }
    std::free(store);
    return 1;
}
