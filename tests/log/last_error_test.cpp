// LastError and WinsockLastError through the shared library: the Winsock table,
// caching, release on assignment, and codes without a text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "log/last_error.h"
#include "log/last_error_platform_test.h"

namespace {

TEST(WinsockLastError, HasExactlyThe44TableTextsAndNoSystemFallback) {
    EXPECT_STREQ(static_cast<char*>(WinsockLastError(10054)), "Connection reset by peer");
    EXPECT_STREQ(static_cast<char*>(WinsockLastError(10004)), "Interrupted function call");
    EXPECT_STREQ(static_cast<char*>(WinsockLastError(10047)), "Address family not supported by protocol family");
    EXPECT_STREQ(static_cast<char*>(WinsockLastError(11004)), "Valid name, no data record of requested type");
    int withText = 0;
    for (unsigned long code = 0; code < 12000; ++code) {
        WinsockLastError error(code);
        if (std::strlen(static_cast<char*>(error)) != 0) {
            ++withText;
            EXPECT_TRUE((code >= 10004 && code <= 10109) || (code >= 11001 && code <= 11004)) << code;
        }
    }
    EXPECT_EQ(withText, 44);
    EXPECT_STREQ(static_cast<char*>(WinsockLastError(5)), "");      // a system code: no fallback
    EXPECT_STREQ(static_cast<char*>(WinsockLastError(10059)), "");  // a gap in the table
    // Resource ids are 16 bits: a larger code must not alias 10054's text.
    EXPECT_STREQ(static_cast<char*>(WinsockLastError(0x10000UL + 10054)), "");
}

TEST(WinsockLastError, CachesUntilANewCode) {
    WinsockLastError error(10061);
    char* first = error;
    char* second = error;
    EXPECT_EQ(first, second);
    EXPECT_EQ(error = 10060UL, 0);
    EXPECT_STREQ(static_cast<char*>(error), "Request timed out");
    EXPECT_EQ(static_cast<int>(error), 10060);

    WinsockLastError other(10065);
    static_cast<char*>(other);
    other = error;
    EXPECT_EQ(other.code, 10060u);
    EXPECT_EQ(other.text, nullptr);  // its own text was released
    EXPECT_STREQ(static_cast<char*>(other), "Request timed out");
}

TEST(WinsockLastError, CopiesDoNotShareTheText) {
    WinsockLastError original(10048);
    char* originalText = original;
    WinsockLastError copy(original);
    EXPECT_EQ(copy.code, 10048u);
    EXPECT_EQ(copy.text, nullptr);
    EXPECT_STREQ(static_cast<char*>(copy), "Address already in use");
    EXPECT_NE(static_cast<char*>(copy), originalText);
}

TEST(LastError, FormatsTheGivenCodeOnceUntilReleased) {
    LastError error(util_test::kKnownSystemCode);
    char* first = error;
    EXPECT_EQ(std::string(first), util_test::kKnownSystemText);
    EXPECT_EQ(static_cast<char*>(error), first);  // same pointer, not formatted again
    EXPECT_EQ(static_cast<int>(error), static_cast<int>(util_test::kKnownSystemCode));

    EXPECT_EQ(error = util_test::kOtherSystemCode, 0);
    EXPECT_EQ(error.text, nullptr);
    EXPECT_EQ(std::string(static_cast<char*>(error)), util_test::kOtherSystemText);

    LastError source(util_test::kKnownSystemCode);
    error = source;
    EXPECT_EQ(error.code, util_test::kKnownSystemCode);
    EXPECT_EQ(error.text, nullptr);
    EXPECT_EQ(std::string(static_cast<char*>(error)), util_test::kKnownSystemText);
}

TEST(LastError, CodeWithoutSystemTextGivesTheSharedEmptyString) {
    LastError unknown(0x2A3B4C5DUL);
    char* empty = unknown;
    EXPECT_STREQ(empty, "");
    EXPECT_EQ(unknown.text, nullptr);  // nothing cached: the next conversion tries again
    EXPECT_EQ(static_cast<char*>(WinsockLastError(1)), empty);  // one shared empty string
}

TEST(LastError, DefaultConstructorsReadTheThreadsLastError) {
    util_test::setThreadLastError(util_test::kKnownSystemCode);
    EXPECT_EQ(LastError().code, util_test::kKnownSystemCode);
    util_test::setThreadSocketError(util_test::kConnectionResetNative);
    WinsockLastError socketError;
    EXPECT_EQ(socketError.code, 10054u);
    EXPECT_STREQ(static_cast<char*>(socketError), "Connection reset by peer");
}

}  // namespace
