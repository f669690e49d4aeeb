// The failure path of UTIL_DCHECK.
#include "platform/check.h"

#include <cstdio>
#include <cstdlib>

namespace util {
namespace platform {

void checkFailed(const char* file, int line, const char* condition) {
    std::fprintf(stderr, "util: check failed: %s at %s:%d\n", condition, file, line);
    std::fflush(stderr);
    std::abort();
}

}  // namespace platform
}  // namespace util
