// ZnPFTimer: exact scaling, the 32-bit wrap, the sticky failure, and a real interval.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "system/counter.h"
#include "system/pf_timer.h"

namespace {

TEST(PfTimerArithmetic, ScalesBeforeDividing) {
    // 10 MHz counter: 12,345 counts are 1,234 us and 1 ms (truncated).
    EXPECT_EQ(util::scaleElapsedCounts(12345 + 500, 500, 10000000, 1000000), 1234);
    EXPECT_EQ(util::scaleElapsedCounts(12345 + 500, 500, 10000000, 1000), 1);
    // 3 counts of a 3,579,545 Hz counter: 0 ms but 0 us; 358 counts: 100 us.
    EXPECT_EQ(util::scaleElapsedCounts(3, 0, 3579545, 1000000), 0);
    EXPECT_EQ(util::scaleElapsedCounts(358, 0, 3579545, 1000000), 100);
    // A counter that went backwards gives a negative reading, truncated toward zero.
    EXPECT_EQ(util::scaleElapsedCounts(0, 1500, 1000000, 1000), -1);
}

TEST(PfTimerArithmetic, KeepsTheLow32BitsOfTheTrueQuotient) {
    const long long nanosecond = 1000000000LL;
    // 2^31 us: the first microsecond reading that leaves the int range.
    EXPECT_EQ(util::scaleElapsedCounts(2147483648LL * 1000, 0, nanosecond, 1000000), -2147483647 - 1);
    EXPECT_EQ(util::scaleElapsedCounts(2147483647LL * 1000, 0, nanosecond, 1000000), 2147483647);
    // 10^13 ns (2.8 hours): counts times 10^6 pass 2^63, the result still is 10^10 us mod 2^32.
    EXPECT_EQ(util::scaleElapsedCounts(10000000000000LL, 0, nanosecond, 1000000), 1410065408);
    // 24.86 days in ms wraps likewise.
    EXPECT_EQ(util::scaleElapsedCounts(2147483648LL * 1000000, 0, nanosecond, 1000), -2147483647 - 1);
}

TEST(PfTimer, MeasuresASleep) {
    ZnPFTimer timer;
    ASSERT_TRUE(timer.available);
    EXPECT_GT(timer.frequency, 0);
    timer.Start();
    const int atOnce = timer.EndInMicro();
    EXPECT_GE(atOnce, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    const int micro = timer.EndInMicro();
    const int milli = timer.EndInMili();
    EXPECT_GE(micro, 120000);
    EXPECT_GE(milli, 120);
    EXPECT_GE(milli, micro / 1000);  // read later, from the same start
    EXPECT_LT(milli, 60000);
    timer.Start();
    EXPECT_LT(timer.EndInMili(), milli);  // a new interval
}

TEST(PfTimer, WithoutStartMeasuresFromCounterZero) {
    ZnPFTimer timer;
    long long now = 0;
    ASSERT_TRUE(util::readCounter(&now));
    const int expected = util::scaleElapsedCounts(now, 0, timer.frequency, 1000);
    const int reading = timer.EndInMili();
    EXPECT_GE(reading - expected, 0);
    EXPECT_LT(reading - expected, 5000);
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

    ZnPFTimer copy;
    copy = timer;
    EXPECT_FALSE(copy.available);
    EXPECT_EQ(copy.start_count, started);
    EXPECT_EQ(copy.EndInMicro(), -1);
}

}  // namespace
