// POSIX has no Windows version: the query always fails.
#include "system/system_platform.h"

namespace util {

bool queryWindowsVersion(WindowsVersion* /*version*/) { return false; }

}  // namespace util
