// The Windows profile functions and current directory, called as they are.
#include "config/config_platform.h"

#include "config/config_records.h"
#include "config/ini_reader.h"
#include "platform/win_include.h"

#include <io.h>

#include <cstdint>

// The 32-bit Windows layouts: the records are the pointer fields alone, and
// ZnIniReader is its virtual-table pointer and the 512-byte path.
static_assert(sizeof(void*) != 4 || sizeof(ConfigStore) == 8, "ConfigStore: two pointers");
static_assert(sizeof(void*) != 4 || sizeof(ConfigSection) == 16, "ConfigSection: four pointers");
static_assert(sizeof(void*) != 4 || sizeof(ConfigEntry) == 12, "ConfigEntry: three pointers");
static_assert(sizeof(void*) != 4 || sizeof(ZnIniReader) == 516, "ZnIniReader: table pointer and ini_path");

namespace util {
namespace config {

unsigned long profileString(const char* section, const char* key, const char* defaultValue, char* buffer,
                            unsigned long size, const char* path) {
    return GetPrivateProfileStringA(section, key, defaultValue, buffer, size, path);
}

unsigned long profileSection(const char* section, char* buffer, unsigned long size, const char* path) {
    return GetPrivateProfileSectionA(section, buffer, size, path);
}

unsigned long profileSectionNames(char* buffer, unsigned long size, const char* path) {
    return GetPrivateProfileSectionNamesA(buffer, size, path);
}

long profileWrite(const char* section, const char* key, const char* value, const char* path) {
    return WritePrivateProfileStringA(section, key, value, path);
}

DirectoryQuery currentDirectory(char* buffer, std::size_t size) {
    const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(size), buffer);
    if (length == 0) {
        return DirectoryQuery::kUnavailable;
    }
    return length < size ? DirectoryQuery::kRead : DirectoryQuery::kTooLong;
}

std::FILE* openRegularFileForReading(const char* path) {
    if (path == nullptr) {
        return nullptr;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return nullptr;
    }
    // "NUL", "CON", "COM1" and pipe names open too: only disk files are read.
    const intptr_t handle = _get_osfhandle(_fileno(file));
    if (handle == -1 || GetFileType(reinterpret_cast<HANDLE>(handle)) != FILE_TYPE_DISK) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

bool isAbsoluteIniName(const char* name) { return name[0] != '\0' && name[1] == ':'; }

}  // namespace config
}  // namespace util
