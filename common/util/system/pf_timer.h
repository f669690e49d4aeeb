// ZnPFTimer: a stopwatch over the high-resolution performance counter.
//
//   ZnPFTimer timer;
//   timer.Start();
//   work();
//   int microseconds = timer.EndInMicro();   // -1 when the counter failed
//
// Readings measure from the last Start (from counter value 0 when Start was
// never called) without stopping the stopwatch. The result is the low 32 bits
// of the elapsed time: EndInMicro wraps after about 35.8 minutes, EndInMili
// after about 24.8 days. Once a counter call has failed, Start does nothing
// and every reading is -1 for the rest of the object's life.
//
// Platform differences: Windows uses QueryPerformanceFrequency and
// QueryPerformanceCounter. POSIX reads clock_gettime(CLOCK_MONOTONIC) in
// nanoseconds, with a frequency of 1,000,000,000; counter value 0 is the
// clock's origin (usually the system's start).
//
// Choices where the design leaves one:
//  - The elapsed counts are scaled exactly: the whole seconds and the remainder
//    are scaled apart, so the result is the true quotient's low 32 bits even
//    where elapsed counts times the scale would pass 64 bits (after about 2.5
//    hours of nanosecond counts for EndInMicro).
//  - A frequency of 0 or less counts as a failed counter (never divides by zero).
//
// Concurrency: an object belongs to one thread at a time.
#ifndef UTIL_SYSTEM_PF_TIMER_H
#define UTIL_SYSTEM_PF_TIMER_H

#include "platform/export.h"

class UTIL_API ZnPFTimer {
public:
    /// Asks for the counter's frequency; the stopwatch is available when that works.
    ZnPFTimer();
    ~ZnPFTimer();
    ZnPFTimer& operator=(const ZnPFTimer& other);

    /// Takes the counter as the new start; a failed read makes the object unavailable.
    void Start();
    /// Whole milliseconds since the last Start (low 32 bits), or -1.
    int EndInMili();
    /// Whole microseconds since the last Start (low 32 bits), or -1.
    int EndInMicro();

    long long start_count;
    long long frequency;
    bool available;

private:
    int End(long long scale);
};

#endif
