// Absolute deadlines on the monotonic clock, for the timed waits of the POSIX
// events and threads (their condition variables use CLOCK_MONOTONIC).
#ifndef UTIL_PLATFORM_CLOCK_POSIX_H
#define UTIL_PLATFORM_CLOCK_POSIX_H

#include <ctime>

namespace util {
namespace platform {

/// Now on CLOCK_MONOTONIC plus timeoutMs milliseconds, normalised.
timespec monotonicDeadlineAfter(unsigned long timeoutMs);

}  // namespace platform
}  // namespace util

#endif
