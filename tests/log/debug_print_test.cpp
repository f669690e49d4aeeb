// DbgPrint's cut and result, DumpData's exact lines, and both from several
// threads at once, through the shared library.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "log/debug_capture.h"
#include "log/debug_print.h"

namespace {

using util_test::DebugCapture;
using Lines = std::vector<std::string>;
const Lines& captured = DebugCapture::lines();

TEST(DbgPrint, SendsTheTextCutAt65535CharactersAndReportsOverflow) {
    DebugCapture capture;
    const std::string exact(65535, 'a');
    EXPECT_EQ(DbgPrint("value %d of %s", 42, "forty"), 17);
    EXPECT_EQ(DbgPrint("%s", ""), 0);
    EXPECT_EQ(DbgPrint(nullptr), -1);  // sends nothing
    EXPECT_EQ(DbgPrint("%s", exact.c_str()), 65535);
    EXPECT_EQ(DbgPrint("%s", (std::string(65535, 'b') + "Z").c_str()), 65536);  // sent without its last character
    EXPECT_EQ(DbgPrint("%s", (std::string(65535, 'c') + "XY").c_str()), -1);
    EXPECT_EQ(captured, (Lines{"value 42 of forty", "", exact, std::string(65535, 'b'), std::string(65535, 'c')}));
}

TEST(DumpData, HeaderAndSixteenBytesALine) {
    DebugCapture capture;
    DumpData(nullptr, nullptr, 26);
    DumpData("data", "0123456789abcdef\x1f ~\x7f\x80\xff\t\n", 24);  // control and high bytes show as dots
    EXPECT_EQ(captured, (Lines{"(null), Size = 26 - 0x1a\n", "data, Size = 24 - 0x18\n",
                               "  0000  30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66   0123456789abcdef\n",
                               "  0010  1F 20 7E 7F 80 FF 09 0A" + std::string(27, ' ') + ". ~.....\n"}));
}

TEST(DumpData, OffsetsShowTheirLow16Bits) {
    DebugCapture capture;
    std::string data(0x10011, 'q');
    data[0x10000] = 'W';
    DumpData("big", data.data(), static_cast<unsigned int>(data.size()));
    ASSERT_EQ(captured.size(), 1u + 0x1001u + 1u);
    EXPECT_EQ(captured[0], "big, Size = 65553 - 0x10011\n");
    EXPECT_EQ(captured[0x1000].substr(0, 8), "  FFF0  ");
    EXPECT_EQ(captured[0x1001], "  0000  57 71 71 71 71 71 71 71 71 71 71 71 71 71 71 71   Wqqqqqqqqqqqqqqq\n");
}

TEST(DebugOutputConcurrent, EveryTextArrivesWholeOnce) {
    DebugCapture capture;
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([thread] {
            const std::string bytes(20, static_cast<char>('a' + thread));
            for (int index = 0; index < 200; ++index) {
                DbgPrint("thread %d text %d", thread, index);
                if (index % 50 == 0) DumpData("dump", bytes.data(), 20);
            }
        });
    }
    for (std::thread& each : threads) each.join();
    // Dump lines are counted by offset and length: 16 dumps of a header, a full and a short line.
    std::map<std::string, int> counts;
    for (const std::string& line : captured) {
        ++counts[line.rfind("  00", 0) == 0 ? line.substr(0, 8) + std::to_string(line.size()) : line];
    }
    for (int thread = 0; thread < 4; ++thread) {
        for (int index = 0; index < 200; ++index) {
            EXPECT_EQ(counts["thread " + std::to_string(thread) + " text " + std::to_string(index)], 1);
        }
    }
    EXPECT_EQ(counts["dump, Size = 20 - 0x14\n"], 16);
    EXPECT_EQ(counts["  0000  75"], 16);
    EXPECT_EQ(counts["  0010  63"], 16);
    EXPECT_EQ(captured.size(), 4u * 200u + 48u);
}

}  // namespace
