// OS's classification table, fed with version numbers directly, and the real query.
#include <gtest/gtest.h>

#include "system/os_query.h"

namespace {

struct VersionCase {
    unsigned long major;
    unsigned long minor;
    unsigned long platformId;
    _OS_TYPE expected;
};

TEST(OsVersion, ClassifiesByTheTable) {
    const VersionCase cases[] = {
        {3, 51, 2, OS_WINNT351}, {3, 51, 0, OS_WINNT351}, {3, 50, 2, OS_UNKNOWN}, {3, 10, 0, OS_UNKNOWN},
        {4, 0, 2, OS_WINNT4},    {4, 0, 1, OS_WIN95},      {4, 0, 0, OS_UNKNOWN},  {4, 0, 3, OS_UNKNOWN},
        {4, 10, 1, OS_WIN98},    {4, 90, 1, OS_WINME},     {4, 10, 2, OS_UNKNOWN}, {4, 90, 2, OS_UNKNOWN},
        {4, 1, 1, OS_UNKNOWN},   {4, 10, 0, OS_UNKNOWN},   {5, 0, 2, OS_WIN2000},  {5, 0, 1, OS_WIN2000},
        {5, 1, 2, OS_WINXP},     {5, 2, 2, OS_WIN2003},    {5, 3, 2, OS_UNKNOWN},  {6, 0, 2, OS_VISTA},
        {6, 1, 2, OS_WIN7},      {6, 2, 2, OS_WIN8},       {6, 2, 0, OS_WIN8},     {6, 3, 2, OS_UNKNOWN},
        {6, 4, 2, OS_UNKNOWN},   {10, 0, 2, OS_UNKNOWN},   {7, 0, 2, OS_UNKNOWN},  {2, 0, 2, OS_UNKNOWN},
        {0, 0, 0, OS_UNKNOWN},
    };
    for (const VersionCase& each : cases) {
        EXPECT_EQ(util::classifyWindowsVersion({each.major, each.minor, each.platformId}), each.expected)
            << each.major << "." << each.minor << " platform " << each.platformId;
    }
}

TEST(OsVersion, StoresThePlatformOnlyWhenTheQueryWorks) {
    util::WindowsVersion reported{};
    const bool known = util::queryWindowsVersion(&reported);
    unsigned long platform = 0xABCDEFUL;
    const _OS_TYPE result = OS(&platform);
    EXPECT_EQ(OS(nullptr), result);
    if (known) {
        EXPECT_EQ(platform, reported.platformId);
        EXPECT_EQ(result, util::classifyWindowsVersion(reported));
    } else {
        EXPECT_EQ(result, OS_UNKNOWN);
        EXPECT_EQ(platform, 0xABCDEFUL);
    }
}

}  // namespace
