// The platform side of OS, and the classification the tests feed directly.
#ifndef UTIL_SYSTEM_OS_QUERY_H
#define UTIL_SYSTEM_OS_QUERY_H

#include "system/os_version.h"

namespace util {

/// The reported Windows version.
struct WindowsVersion {
    unsigned long major;
    unsigned long minor;
    unsigned long platformId;
};

/// GetVersionExA on Windows; always false on POSIX.
bool queryWindowsVersion(WindowsVersion* version);

/// The release for a reported version.
_OS_TYPE classifyWindowsVersion(const WindowsVersion& version);

}  // namespace util

#endif
