// OS: the version query, then the classification table.
#include "system/system_platform.h"

namespace util {

_OS_TYPE classifyWindowsVersion(const WindowsVersion& version) {
    const unsigned long minor = version.minor;
    switch (version.major) {
        case 3: return minor == 51 ? OS_WINNT351 : OS_UNKNOWN;
        case 4:
            if (version.platformId == 2) {
                return minor == 0 ? OS_WINNT4 : OS_UNKNOWN;
            }
            if (version.platformId == 1) {
                if (minor == 0) return OS_WIN95;
                if (minor == 10) return OS_WIN98;
                if (minor == 90) return OS_WINME;
            }
            return OS_UNKNOWN;
        case 5:
            if (minor == 0) return OS_WIN2000;
            if (minor == 1) return OS_WINXP;
            if (minor == 2) return OS_WIN2003;
            return OS_UNKNOWN;
        case 6:
            if (minor == 0) return OS_VISTA;
            if (minor == 1) return OS_WIN7;
            if (minor == 2) return OS_WIN8;
            return OS_UNKNOWN;
        default: return OS_UNKNOWN;
    }
}

}  // namespace util

_OS_TYPE OS(unsigned long* platformId) {
    util::WindowsVersion version{};
    if (!util::queryWindowsVersion(&version)) {
        return OS_UNKNOWN;
    }
    if (platformId != nullptr) {
        *platformId = version.platformId;
    }
    return util::classifyWindowsVersion(version);
}
