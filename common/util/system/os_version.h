// OS: which Windows release the process runs on.
//
//   unsigned long platform = 0;
//   if (OS(&platform) >= OS_WIN2000) { ... }
//
// The release is classified from the version query's major and minor numbers
// (and, for 4.x, the platform family): 3.51 NT 3.51; 4.0 NT 4 on the NT family,
// Windows 95 on the 9x family; 4.10 Windows 98 and 4.90 Windows Me on 9x; 5.0,
// 5.1, 5.2, 6.0, 6.1, 6.2 in the order of the enumeration; anything else unknown.
// The build number and service pack play no part.
//
// Platform differences: Windows asks GetVersionExA (which reports 6.2 to
// programs without a compatibility manifest on later releases). POSIX has no
// Windows version: OS behaves as when the query fails, returning OS_UNKNOWN and
// leaving *platformId untouched.
#ifndef UTIL_SYSTEM_OS_VERSION_H
#define UTIL_SYSTEM_OS_VERSION_H

#include "platform/export.h"

enum _OS_TYPE {
    OS_UNKNOWN = 0,
    OS_WIN95 = 1,
    OS_WIN98 = 2,
    OS_WINME = 3,
    OS_WINNT351 = 4,
    OS_WINNT4 = 5,
    OS_WIN2000 = 6,
    OS_WINXP = 7,
    OS_WIN2003 = 8,
    OS_VISTA = 9,
    OS_WIN7 = 10,
    OS_WIN8 = 11
};

/// The running release. When the version query succeeds and platformId is not
/// null, *platformId receives the platform family (0 Win32s, 1 Windows 9x, 2 NT),
/// whatever the result. Returns OS_UNKNOWN when the query fails (platformId
/// untouched) or the version is not a listed one.
UTIL_API _OS_TYPE OS(unsigned long* platformId);

#endif
