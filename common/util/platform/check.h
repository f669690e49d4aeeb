// UTIL_DCHECK(condition): checks a documented precondition (a REQUIRES line of a
// header) where the library is built for finding faults: the Debug and sanitizer
// builds define UTIL_DCHECK_ON (top-level CMakeLists.txt), and there a false
// condition prints its text and place to standard error and aborts. In the
// product builds it compiles to nothing and the condition is not evaluated, so
// it must have no effect of its own.
#ifndef UTIL_PLATFORM_CHECK_H
#define UTIL_PLATFORM_CHECK_H

#include <cstdint>

namespace util {
namespace platform {

/// Kept in each lock, event and thread object of the library's own making while
/// it lives, and overwritten when it is freed, so that the checks can tell a
/// live object of the right kind from a freed one (destroyed twice, used after
/// its end) or one of another kind handed over through a void* field.
enum class Liveness : std::uint32_t { Lock = 0x4C6F636B, Event = 0x4576656E, Thread = 0x54687264, Freed = 0 };

/// Prints "util: check failed: <condition> at <file>:<line>" and aborts.
[[noreturn]] void checkFailed(const char* file, int line, const char* condition);

}  // namespace platform
}  // namespace util

#if defined(UTIL_DCHECK_ON)
#define UTIL_DCHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::util::platform::checkFailed(__FILE__, __LINE__, #condition))
#else
#define UTIL_DCHECK(condition) static_cast<void>(sizeof((condition) ? 1 : 0))
#endif

#endif
