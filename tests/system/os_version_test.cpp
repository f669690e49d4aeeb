// OS's classification table, fed with version numbers directly, and the real query.
#include <gtest/gtest.h>

#include "system/system_platform.h"

namespace {

TEST(OsVersion, ClassifiesByTheTable) {
    const struct {
        unsigned long major, minor, platformId;
        _OS_TYPE expected;
    } cases[] = {
        {3, 51, 0, OS_WINNT351}, {3, 50, 2, OS_UNKNOWN}, {4, 0, 2, OS_WINNT4}, {4, 0, 1, OS_WIN95},
        {4, 0, 0, OS_UNKNOWN},   {4, 10, 1, OS_WIN98},   {4, 90, 1, OS_WINME}, {4, 10, 2, OS_UNKNOWN},
        {4, 1, 1, OS_UNKNOWN},   {5, 0, 1, OS_WIN2000},  {5, 1, 2, OS_WINXP},  {5, 2, 2, OS_WIN2003},
        {5, 3, 2, OS_UNKNOWN},   {6, 0, 2, OS_VISTA},    {6, 1, 2, OS_WIN7},   {6, 2, 0, OS_WIN8},
        {6, 3, 2, OS_UNKNOWN},   {10, 0, 2, OS_UNKNOWN},
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

}  // namespace
