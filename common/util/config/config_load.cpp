// OpenConfig: reads a configuration file line by line into a new store.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/config_records.h"
#include "config/config_store.h"
#include "config/config_store_internal.h"
#include "config/config_platform.h"

namespace {

using namespace util::config;

// The line buffer holds 4096 bytes; one read brings at most 4094 characters.
constexpr int kLineBufferSize = 4096;
constexpr int kReadLimit = 4095;
// The joined "APP_HOME/path" must fit in this area with its NUL.
constexpr std::size_t kJoinedPathSize = 256;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Exactly the six white-space characters of the C locale; bytes above 0x7F never count.
bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Ends a word of a header: the brackets, blanks, and the line end (which must
// never become part of a name).
bool isHeaderDelimiter(char c) { return c == '[' || c == ']' || isBlank(c) || c == '\r' || c == '\n'; }

// Only regular files are stores: a directory or a FIFO of that name counts as
// missing, so the APP_HOME fallback is tried. An empty APP_HOME counts as unset
// (it would turn a relative name into one from the root directory).
std::FILE* openWithFallback(const char* path) {
    std::FILE* file = openRegularFileForReading(path);
    if (file != nullptr) {
        return file;
    }
    const char* home = std::getenv("APP_HOME");
    if (home == nullptr || home[0] == '\0') {
        return nullptr;
    }
    char joined[kJoinedPathSize];
    const int needed = std::snprintf(joined, sizeof joined, "%s/%s", home, path);
    if (needed < 0 || static_cast<std::size_t>(needed) >= sizeof joined) {
        return nullptr;  // never open a path that was cut short
    }
    return openRegularFileForReading(joined);
}

// A header line; `text` points at its '['. Returns the new current section, or
// null when the header names none (the following key lines are then dropped).
ConfigSection* handleHeader(ConfigStore* store, const char* line, const char* text) {
    if (std::strchr(line, ']') == nullptr) {
        return nullptr;
    }
    const char* name = text + 1;
    while (*name != '\0' && isHeaderDelimiter(*name)) {
        ++name;
    }
    const char* end = name;
    while (*end != '\0' && !isHeaderDelimiter(*end)) {
        ++end;
    }
    if (end == name) {
        return nullptr;
    }
    ConfigSection* section = newSection(name, static_cast<std::size_t>(end - name));
    if (section != nullptr) {
        appendSection(store, section);
    }
    return section;
}

// A key line; `text` points at its first non-blank character.
void handleKeyLine(ConfigSection* current, const char* text) {
    const char* keyEnd = text;
    while (*keyEnd != '\0' && *keyEnd != '=' && !isWhiteSpace(*keyEnd)) {
        ++keyEnd;
    }
    const char* cursor = keyEnd;
    while (isWhiteSpace(*cursor)) {
        ++cursor;
    }
    if (*cursor != '=') {
        return;  // a bare word, or a key holding a blank
    }
    const char* value = cursor + 1;
    while (isWhiteSpace(*value)) {
        ++value;
    }
    const char* valueEnd = value + std::strlen(value);
    while (valueEnd > value && isWhiteSpace(valueEnd[-1])) {
        --valueEnd;
    }
    if (current == nullptr) {
        return;  // before the first header, or after a broken one
    }
    ConfigEntry* entry =
        newEntry(text, static_cast<std::size_t>(keyEnd - text), value, static_cast<std::size_t>(valueEnd - value));
    if (entry != nullptr) {
        appendEntry(current, entry);
    }
}

}  // namespace

void* OpenConfig(const char* path) {
    if (path == nullptr) {
        return nullptr;
    }
    std::FILE* file = openWithFallback(path);
    if (file == nullptr) {
        return nullptr;
    }
    ConfigStore* store = static_cast<ConfigStore*>(allocateZeroed(sizeof(ConfigStore)));
    if (store == nullptr) {
        std::fclose(file);
        return nullptr;
    }
    ConfigSection* current = nullptr;
    char line[kLineBufferSize];
    for (;;) {
        std::memset(line, 0, sizeof line);
        if (std::fgets(line, kReadLimit, file) == nullptr) {
            break;
        }
        const char* text = line;
        while (isBlank(*text)) {
            ++text;
        }
        const char c = *text;
        if (c == '\r' || c == '\n' || c == '#') {
            continue;
        }
        if (c == '[') {
            current = handleHeader(store, line, text);
        } else {
            handleKeyLine(current, text);
        }
    }
    std::fclose(file);
    return store;
}
