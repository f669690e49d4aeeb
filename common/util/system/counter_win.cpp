// The performance counter.
#include "platform/win_include.h"
#include "system/system_platform.h"

namespace util {

bool readCounterFrequency(long long* frequency) {
    LARGE_INTEGER value;
    value.QuadPart = 0;
    const bool ok = QueryPerformanceFrequency(&value) != 0;
    *frequency = value.QuadPart;
    return ok;
}

bool readCounter(long long* value) {
    LARGE_INTEGER reading;
    reading.QuadPart = 0;
    if (!QueryPerformanceCounter(&reading)) {
        return false;
    }
    *value = reading.QuadPart;
    return true;
}

}  // namespace util
