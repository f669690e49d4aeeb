// ZnPFTimer: exact scaling, the 32-bit wrap, the sticky failure, and a real interval.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "system/system_platform.h"
#include "system/pf_timer.h"

namespace {

// Counts are scaled before dividing, truncated toward zero, and keep the low 32
// bits of the true quotient, even where counts times the unit pass 2^63.
TEST(PfTimerArithmetic, ScalesBeforeDividingAndWraps) {
    const long long ns = 1000000000LL, us = 1000000, ms = 1000;
    const struct {
        long long now, start, frequency, unit;
        int expected;
    } cases[] = {
        {12345 + 500, 500, 10000000, us, 1234},
        {12345 + 500, 500, 10000000, ms, 1},  // 10 MHz counter
        {3, 0, 3579545, us, 0},
        {358, 0, 3579545, us, 100},
        {0, 1500, 1000000, ms, -1},                         // a counter that went backwards
        {2147483648LL * 1000, 0, ns, us, -2147483647 - 1},  // 2^31 us leaves the int range
        {2147483647LL * 1000, 0, ns, us, 2147483647},
        {10000000000000LL, 0, ns, us, 1410065408},             // 10^10 us mod 2^32
        {2147483648LL * 1000000, 0, ns, ms, -2147483647 - 1},  // 24.86 days in ms
    };
    for (const auto& each : cases) {
        EXPECT_EQ(util::scaleElapsedCounts(each.now, each.start, each.frequency, each.unit), each.expected)
            << each.now << " - " << each.start << " at " << each.frequency << " Hz in 1/" << each.unit << " s";
    }
}

TEST(PfTimer, MeasuresASleepAndWithoutStartFromCounterZero) {
    ZnPFTimer timer;
    ASSERT_TRUE(timer.available);
    long long now = 0;
    ASSERT_TRUE(util::readCounter(&now));
    const int sinceZero = timer.EndInMili() - util::scaleElapsedCounts(now, 0, timer.frequency, 1000);
    EXPECT_TRUE(sinceZero >= 0 && sinceZero < 5000) << sinceZero;
    timer.Start();
    EXPECT_GE(timer.EndInMicro(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    const int micro = timer.EndInMicro();
    const int milli = timer.EndInMili();
    EXPECT_GE(micro, 120000);
    EXPECT_GE(milli, micro / 1000);  // read later, from the same start
    EXPECT_LT(milli, 60000);
    timer.Start();
    EXPECT_LT(timer.EndInMili(), milli);  // a new interval
}

TEST(PfTimer, UnavailableStaysUnavailable) {
    ZnPFTimer timer;
    timer.Start();
    const long long started = timer.start_count;
    timer.available = false;
    timer.Start();
    EXPECT_EQ(timer.start_count, started);
    EXPECT_EQ(timer.EndInMili(), -1);
    EXPECT_EQ(timer.EndInMicro(), -1);
}

}  // namespace
