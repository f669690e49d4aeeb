// POSIX has no Windows version: the query always fails.
#include "system/os_query.h"

namespace util {

bool queryWindowsVersion(WindowsVersion* /*version*/) { return false; }

}  // namespace util
