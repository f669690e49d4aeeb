// DbgPrint, DumpData (also from several threads) and the error texts, through the shared library.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "log/debug_capture.h"
#include "log/debug_print.h"
#include "log/last_error.h"

namespace {

using util_test::DebugCapture;
using Lines = std::vector<std::string>;
const Lines& captured = DebugCapture::lines();

// The text is cut at 65,535 characters; a longer one reports -1.
TEST(DbgPrint, SendsTheTextCutAt65535CharactersAndReportsOverflow) {
    DebugCapture capture;
    EXPECT_EQ(DbgPrint(nullptr), -1);                                           // sends nothing
    EXPECT_EQ(DbgPrint("%s", (std::string(65535, 'b') + "Z").c_str()), 65536);  // sent without its last character
    EXPECT_EQ(DbgPrint("%s %d", std::string(65535, 'c').c_str(), 7), -1);
    EXPECT_EQ(captured, (Lines{std::string(65535, 'b'), std::string(65535, 'c')}));
}

TEST(DumpData, HeaderAndSixteenBytesALine) {
    DebugCapture capture;
    DumpData(nullptr, nullptr, 26);
    DumpData("data", "0123456789abcdef\x1f ~\x7f\x80\xff\t\n", 24);  // control and high bytes show as dots
    EXPECT_EQ(captured, (Lines{"(null), Size = 26 - 0x1a\n", "data, Size = 24 - 0x18\n",
                               "  0000  30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66   0123456789abcdef\n",
                               "  0010  1F 20 7E 7F 80 FF 09 0A" + std::string(27, ' ') + ". ~.....\n"}));
}

TEST(DebugOutputConcurrent, EveryTextArrivesWholeOnce) {
    DebugCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int n = t * 200; n < t * 200 + 200; ++n) DbgPrint("text %d", n);
        });
    for (std::thread& each : threads) each.join();
    std::multiset<std::string> expected;
    for (int n = 0; n < 800; ++n) expected.insert("text " + std::to_string(n));
    EXPECT_EQ(std::multiset<std::string>(captured.begin(), captured.end()), expected);
}

// The count also rules out a system-text fallback and gaps with a text.
TEST(WinsockLastError, HasExactlyThe44TableTexts) {
    EXPECT_STREQ(static_cast<char*>(WinsockLastError(10004)), "Interrupted function call");
    int withText = 0;
    for (unsigned code = 0; code < 12000; ++code) withText += *static_cast<char*>(WinsockLastError(code)) != '\0';
    EXPECT_EQ(withText, 44);
    // Resource ids are 16 bits: a larger code must not alias 10054's text.
    EXPECT_STREQ(static_cast<char*>(WinsockLastError(0x10000UL + 10054)), "");
}

// A text is kept until the code changes; a copy takes the code, never the text; a code without text caches nothing.
TEST(LastError, CachesTheTextUntilANewCodeAndCopiesOwnTheirText) {
    LastError error(2);  // 2 and 5 have a system text on both platforms
    char* first = error;
    const std::string two = first;
    EXPECT_EQ(static_cast<char*>(error), first);  // same pointer, not formatted again
    LastError copy(error);
    EXPECT_EQ(copy.text, nullptr);  // a shared text would be freed twice
    EXPECT_EQ(std::string(static_cast<char*>(copy)), two);
    EXPECT_EQ(error = 5, 0);
    EXPECT_EQ(error.text, nullptr);
    EXPECT_NE(std::string(static_cast<char*>(error)), two);
    error = copy;
    EXPECT_EQ(error.text, nullptr);  // its own text released, the other's not taken
    EXPECT_EQ(std::string(static_cast<char*>(error)), two);
    LastError unknown(0x2A3B4C5DUL);
    char* empty = unknown;
    EXPECT_STREQ(empty, "");
    EXPECT_EQ(unknown.text, nullptr);
    EXPECT_EQ(static_cast<char*>(WinsockLastError(1)), empty);
}

// A failed open leaves 2 (ENOENT, ERROR_FILE_NOT_FOUND), no socket error: a broken errno-to-Winsock map changes it.
TEST(LastError, DefaultConstructorsReadTheThreadsLastError) {
    EXPECT_EQ(std::fopen("no such file of this test", "r"), nullptr);
    EXPECT_EQ(static_cast<int>(LastError()), 2);
    EXPECT_EQ(std::fopen("no such file of this test", "r"), nullptr);
    EXPECT_EQ(WinsockLastError().code, 2u);
}

}  // namespace
