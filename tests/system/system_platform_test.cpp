// OS: the classification table and the real query; ZnPFTimer: exact scaling, the
// 32-bit wrap, a real interval, the sticky failure.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "system/pf_timer.h"
#include "system/system_platform.h"

namespace {

TEST(OsVersion, ClassifiesByTheTable) {
    const struct {
        unsigned long major, minor, platformId;
        _OS_TYPE expected;
    } cases[] = {
        {3, 51, 0, OS_WINNT351}, {4, 0, 2, OS_WINNT4},  {4, 0, 1, OS_WIN95}, {4, 10, 1, OS_WIN98},
        {4, 90, 1, OS_WINME},    {5, 0, 1, OS_WIN2000}, {5, 1, 2, OS_WINXP}, {5, 2, 2, OS_WIN2003},
        {6, 0, 2, OS_VISTA},     {6, 1, 2, OS_WIN7},    {6, 2, 0, OS_WIN8},  {10, 0, 2, OS_UNKNOWN},
    };
    for (const auto& each : cases) {
        EXPECT_EQ(util::classifyWindowsVersion({each.major, each.minor, each.platformId}), each.expected)
            << each.major << "." << each.minor << " platform " << each.platformId;
    }
}

// The platform is stored only when the query works; a null pointer is allowed.
TEST(OsVersion, StoresThePlatformOnlyWhenTheQueryWorks) {
    util::WindowsVersion reported{};
    const bool known = util::queryWindowsVersion(&reported);
    unsigned long platform = 0xABCDEFUL;
    const _OS_TYPE result = OS(&platform);
    EXPECT_EQ(OS(nullptr), result);
    EXPECT_EQ(platform, known ? reported.platformId : 0xABCDEFUL);
    EXPECT_EQ(result, known ? util::classifyWindowsVersion(reported) : OS_UNKNOWN);
}

// Scaled before dividing, truncated toward zero, the low 32 bits of the true quotient (even past 2^63).
TEST(PfTimerArithmetic, ScalesBeforeDividingAndWraps) {
    const long long ns = 1000000000LL, us = 1000000, ms = 1000;
    const struct {
        long long now, start, frequency, unit;
        int expected;
    } cases[] = {
        {12345 + 500, 500, 10000000, us, 1234},             // 10 MHz counter
        {358, 0, 3579545, us, 100},                         // 3.579545 MHz counter
        {0, 1500, 1000000, ms, -1},                         // a counter that went backwards
        {2147483648LL * 1000, 0, ns, us, -2147483647 - 1},  // 2^31 us leaves the int range
        {10000000000000LL, 0, ns, us, 1410065408},          // 10^10 us mod 2^32
    };
    for (const auto& each : cases) {
        EXPECT_EQ(util::scaleElapsedCounts(each.now, each.start, each.frequency, each.unit), each.expected)
            << each.now << " - " << each.start << " at " << each.frequency << " Hz in 1/" << each.unit << " s";
    }
}

// Once unavailable (a counter reading failed) the timer stays so: Start reads nothing, End gives -1.
TEST(PfTimer, MeasuresASleepFromCounterZeroOrFromStartAndStaysUnavailable) {
    ZnPFTimer timer;
    ASSERT_TRUE(timer.available);
    long long now = 0;
    ASSERT_TRUE(util::readCounter(&now));
    const int sinceZero = timer.EndInMili() - util::scaleElapsedCounts(now, 0, timer.frequency, 1000);
    EXPECT_TRUE(sinceZero >= 0 && sinceZero < 5000) << sinceZero;
    timer.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    const int micro = timer.EndInMicro();
    const int milli = timer.EndInMili();
    EXPECT_GE(micro, 120000);
    EXPECT_TRUE(milli >= micro / 1000 && milli < 60000) << milli;  // read later, from the same start
    timer.Start();
    EXPECT_LT(timer.EndInMili(), milli);  // a new interval
    timer.available = false;
    const long long started = timer.start_count;
    timer.Start();
    EXPECT_TRUE(timer.start_count == started && timer.EndInMili() == -1 && timer.EndInMicro() == -1);
}

}  // namespace
