// LastError and WinsockLastError through the shared library: the Winsock table,
// caching, release on assignment, and codes without a text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "log/last_error.h"

namespace util_test {  // per platform, in last_error_test_posix.cpp and last_error_test_win.cpp
extern const unsigned long kKnownSystemCode, kOtherSystemCode;
extern const unsigned long kConnectionResetNative;  // 10054 on Windows, ECONNRESET on POSIX
extern const std::string kKnownSystemText, kOtherSystemText;
void setThreadLastError(unsigned long code);
void setThreadSocketError(unsigned long code);
}  // namespace util_test

namespace {

using namespace util_test;

// The count and the ranges also rule out a system-text fallback and gaps with a text.
TEST(WinsockLastError, HasExactlyThe44TableTexts) {
    EXPECT_STREQ(static_cast<char*>(WinsockLastError(10004)), "Interrupted function call");
    EXPECT_STREQ(static_cast<char*>(WinsockLastError(11004)), "Valid name, no data record of requested type");
    int withText = 0;
    for (unsigned long code = 0; code < 12000; ++code) {
        if (std::strlen(static_cast<char*>(WinsockLastError(code))) != 0) {
            ++withText;
            EXPECT_TRUE((code >= 10004 && code <= 10109) || (code >= 11001 && code <= 11004)) << code;
        }
    }
    EXPECT_EQ(withText, 44);
    // Resource ids are 16 bits: a larger code must not alias 10054's text.
    EXPECT_STREQ(static_cast<char*>(WinsockLastError(0x10000UL + 10054)), "");
}

// A text is formatted once and kept until the code changes; an assigned or
// copied object takes the code, never the other's text; a code without a text
// gives the one shared empty string and caches nothing.
TEST(LastError, CachesTheTextUntilANewCodeAndCopiesOwnTheirText) {
    LastError error(kKnownSystemCode);
    char* first = error;
    EXPECT_EQ(std::string(first), kKnownSystemText);
    EXPECT_EQ(static_cast<char*>(error), first);  // same pointer, not formatted again
    EXPECT_EQ(error = kOtherSystemCode, 0);
    EXPECT_EQ(error.text, nullptr);
    EXPECT_EQ(std::string(static_cast<char*>(error)), kOtherSystemText);
    LastError source(kKnownSystemCode);
    error = source;
    EXPECT_EQ(error.text, nullptr);  // its own text was released
    EXPECT_EQ(std::string(static_cast<char*>(error)), kKnownSystemText);

    WinsockLastError socketError(10060);
    WinsockLastError copy(socketError);
    EXPECT_EQ(copy.text, nullptr);
    EXPECT_NE(static_cast<char*>(copy), static_cast<char*>(socketError));
    EXPECT_STREQ(static_cast<char*>(copy), "Request timed out");
    LastError unknown(0x2A3B4C5DUL);
    char* empty = unknown;
    EXPECT_STREQ(empty, "");
    EXPECT_EQ(unknown.text, nullptr);
    EXPECT_EQ(static_cast<char*>(WinsockLastError(1)), empty);
}

TEST(LastError, DefaultConstructorsReadTheThreadsLastError) {
    setThreadLastError(kKnownSystemCode);
    EXPECT_EQ(static_cast<int>(LastError()), static_cast<int>(kKnownSystemCode));
    setThreadSocketError(kConnectionResetNative);
    WinsockLastError socketError;
    EXPECT_EQ(socketError.code, 10054u);
    EXPECT_STREQ(static_cast<char*>(socketError), "Connection reset by peer");
}

}  // namespace
