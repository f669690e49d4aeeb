// Wall-clock readings shared by the logger and the tracer.
#ifndef UTIL_PLATFORM_CLOCK_H
#define UTIL_PLATFORM_CLOCK_H

namespace util {
namespace platform {

/// The local time broken down to the millisecond; month and day count from 1.
struct LocalTime {
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
    int millisecond;
};

/// GetLocalTime on Windows; clock_gettime(CLOCK_REALTIME) and localtime_r on
/// POSIX, the latter under a lock taken around fork (see clock_posix.cpp).
LocalTime localTimeNow();

}  // namespace platform
}  // namespace util

#endif
