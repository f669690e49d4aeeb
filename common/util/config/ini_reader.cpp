// ZnIniReader: the path rules, the growing list buffer and the string splitting.
#include "config/ini_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/config_platform.h"
#include "platform/files.h"

namespace {

using namespace util::config;

constexpr unsigned long kFirstListSize = 8191;
constexpr unsigned long kLargestListSize = 0x7FFFFFFFUL;
// Room for any current directory that a path of ini_path's size could hold, and
// more: a longer one is reported as too long rather than cut.
constexpr std::size_t kDirectorySize = 4096;
// SectionExists asks for the key list into a buffer of this size.
constexpr unsigned long kProbeSize = 90;

bool holdsAny(const char* text, const char* characters) {
    return text != nullptr && std::strpbrk(text, characters) != nullptr;
}

// What a write could not store as one line that reads back as itself: a line
// break anywhere would start a line of its own (a new key or section), '=' in
// a key would move the rest into the value, ']' would end the section's name
// early, and a key beginning with '[' or ';' would read back as a header or a
// comment. Null strings keep their meaning (delete) and are not checked.
bool writable(const char* value, const char* key, const char* section) {
    if (holdsAny(value, "\r\n") || holdsAny(key, "\r\n=") || holdsAny(section, "\r\n]")) {
        return false;
    }
    if (key != nullptr) {
        const char* first = key + std::strspn(key, " \t");
        if (*first == '[' || *first == ';') {
            return false;
        }
    }
    return true;
}

}  // namespace

ZnIniReader::ZnIniReader() { std::memset(ini_path, 0, sizeof ini_path); }

ZnIniReader::ZnIniReader(const char* fileName) {
    std::memset(ini_path, 0, sizeof ini_path);
    SetINIFileName(fileName);
}

ZnIniReader::ZnIniReader(const ZnIniReader& other) { std::memcpy(ini_path, other.ini_path, sizeof ini_path); }

ZnIniReader& ZnIniReader::operator=(const ZnIniReader& other) {
    std::memmove(ini_path, other.ini_path, sizeof ini_path);
    return *this;
}

ZnIniReader::~ZnIniReader() = default;

void ZnIniReader::SetINIFileName(const char* fileName) {
    ini_path[0] = '\0';
    if (fileName == nullptr) {
        return;
    }
    char directory[kDirectorySize];
    int needed;
    const DirectoryQuery query =
        isAbsoluteIniName(fileName) ? DirectoryQuery::kUnavailable : currentDirectory(directory, sizeof directory);
    if (query == DirectoryQuery::kTooLong) {
        return;  // the join could never fit: no path rather than a relative one
    }
    if (query == DirectoryQuery::kUnavailable) {
        needed = std::snprintf(ini_path, sizeof ini_path, "%s", fileName);
    } else {
        needed =
            std::snprintf(ini_path, sizeof ini_path, "%s%c%s", directory, util::platform::kPathSeparator, fileName);
    }
    if (needed < 0 || static_cast<std::size_t>(needed) >= sizeof ini_path) {
        ini_path[0] = '\0';  // never keep a path cut short
    }
}

void ZnIniReader::GetKeyValue(const char* key, const char* section, char* buffer, unsigned long size) {
    if (ini_path[0] == '\0') {
        if (buffer != nullptr && size > 0) {
            buffer[0] = '\0';
        }
        return;
    }
    profileString(section, key, "", buffer, size, ini_path);
}

long ZnIniReader::SetKey(const char* value, const char* key, const char* section) {
    if (ini_path[0] == '\0' || !writable(value, key, section)) {
        return 0;
    }
    return profileWrite(section, key, value, ini_path);
}

int ZnIniReader::SectionExists(const char* section) {
    if (ini_path[0] == '\0') {
        return 0;
    }
    char keys[kProbeSize];
    return profileString(section, nullptr, "", keys, sizeof keys, ini_path) > 0 ? 1 : 0;
}

int ZnIniReader::GetSectionNames(char** strings, unsigned long* count, unsigned long* size) {
    return GetList(nullptr, true, strings, count, size);
}

int ZnIniReader::GetSectionData(const char* section, char** strings, unsigned long* count, unsigned long* size) {
    return GetList(section, false, strings, count, size);
}

int ZnIniReader::GetList(const char* section, bool names, char** strings, unsigned long* count, unsigned long* size) {
    if (ini_path[0] == '\0') {
        const char empty[2] = {'\0', '\0'};
        return RetriveStrings(empty, 0, strings, count, size);
    }
    // A list that fills the buffer up to its last two bytes may have been cut.
    for (unsigned long bufferSize = kFirstListSize;; bufferSize *= 2) {
        char* list = static_cast<char*>(std::malloc(bufferSize));
        if (list == nullptr) {
            break;
        }
        const unsigned long length = names ? profileSectionNames(list, bufferSize, ini_path)
                                           : profileSection(section, list, bufferSize, ini_path);
        if (length < bufferSize - 2) {
            const int result = RetriveStrings(list, length, strings, count, size);
            std::free(list);
            return result;
        }
        std::free(list);
        if (bufferSize > kLargestListSize / 2) {
            break;
        }
    }
    if (count != nullptr && size != nullptr) {
        *count = 0;
        *size = 0;
    }
    return 0;
}

int ZnIniReader::RetriveStrings(const char* list, unsigned long length, char** strings, unsigned long* count,
                                unsigned long* size) {
    if (count == nullptr || size == nullptr) {
        return 0;
    }
    unsigned long stringCount = 0;
    unsigned long longest = 0;
    if (list != nullptr) {
        // Each string ends at a NUL inside the first `length` bytes.
        unsigned long start = 0;
        for (unsigned long i = 0; i < length; ++i) {
            if (list[i] == '\0') {
                ++stringCount;
                if (i - start > longest) {
                    longest = i - start;
                }
                start = i + 1;
            }
        }
    }
    bool space = *count >= stringCount && *size >= longest + 1 && (stringCount == 0 || strings != nullptr);
    for (unsigned long i = 0; space && i < stringCount; ++i) {
        space = strings[i] != nullptr;
    }
    if (!space) {
        *count = stringCount;
        *size = longest + 1;
        return 0;
    }
    const char* current = list;
    for (unsigned long i = 0; i < stringCount; ++i) {
        const std::size_t stringLength = std::strlen(current);
        std::memcpy(strings[i], current, stringLength + 1);
        current += stringLength + 1;
    }
    return 1;
}
