// The platform side of ZnPFTimer, and its scaling arithmetic for the tests.
#ifndef UTIL_SYSTEM_COUNTER_H
#define UTIL_SYSTEM_COUNTER_H

namespace util {

/// QueryPerformanceFrequency / 1,000,000,000. False when unavailable.
bool readCounterFrequency(long long* frequency);
/// QueryPerformanceCounter / CLOCK_MONOTONIC in nanoseconds. False on failure.
bool readCounter(long long* value);

/// The low 32 bits of (now - start) * scale / frequency, truncated toward zero
/// and computed without 64-bit overflow. REQUIRES: frequency > 0, scale > 0.
int scaleElapsedCounts(long long now, long long start, long long frequency, long long scale);

}  // namespace util

#endif
