// The monotonic clock as a counter of nanoseconds.
#include <time.h>

#include "system/system_platform.h"

namespace util {

bool readCounterFrequency(long long* frequency) {
    *frequency = 1000000000LL;
    return true;
}

bool readCounter(long long* value) {
    timespec now{};
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) {
        return false;
    }
    *value = static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
    return true;
}

}  // namespace util
