// The Windows version query.
#include <cstring>

#include "platform/win_include.h"
#include "system/system_platform.h"

namespace util {

static_assert(sizeof(OSVERSIONINFOA) == 148, "the basic version record");

bool queryWindowsVersion(WindowsVersion* version) {
    OSVERSIONINFOA information;
    std::memset(&information, 0, sizeof information);
    information.dwOSVersionInfoSize = sizeof information;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&information)) {
        return false;
    }
#pragma GCC diagnostic pop
    version->major = information.dwMajorVersion;
    version->minor = information.dwMinorVersion;
    version->platformId = information.dwPlatformId;
    return true;
}

}  // namespace util
