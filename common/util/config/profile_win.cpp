// The Windows profile functions and current directory, called as they are.
#include "config/profile.h"

#include "platform/win_include.h"

namespace util {
namespace config {

const char kIniPathSeparator = '\\';

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

bool currentDirectory(char* buffer, std::size_t size) {
    const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(size), buffer);
    return length != 0 && length < size;
}

bool isAbsoluteIniName(const char* name) { return name[0] != '\0' && name[1] == ':'; }

}  // namespace config
}  // namespace util
