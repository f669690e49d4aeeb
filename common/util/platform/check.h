// UTIL_DCHECK(condition): checks a documented precondition (a REQUIRES line of a
// header) where the library is built for finding faults: the Debug and sanitizer
// builds define UTIL_DCHECK_ON (top-level CMakeLists.txt), and there a false
// condition prints its text and place to standard error and aborts. In the
// product builds it compiles to nothing and the condition is not evaluated, so
// it must have no effect of its own.
#ifndef UTIL_PLATFORM_CHECK_H
#define UTIL_PLATFORM_CHECK_H

namespace util {
namespace platform {

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
