// DbgPrint's cut and result, DumpData's exact lines, through the shared library.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log/debug_capture.h"
#include "log/debug_print.h"

namespace {

using util_test::DebugCapture;
using Lines = std::vector<std::string>;

TEST(DbgPrint, SendsTheTextCutAt65535CharactersAndReportsOverflow) {
    DebugCapture capture;
    const std::string exact(65535, 'a');
    const std::string full = std::string(65535, 'b') + "Z";
    const std::string longer = std::string(65535, 'c') + "XY";
    EXPECT_EQ(DbgPrint("value %d of %s", 42, "forty"), 17);
    EXPECT_EQ(DbgPrint("%s", ""), 0);
    EXPECT_EQ(DbgPrint(nullptr), -1);  // sends nothing
    EXPECT_EQ(DbgPrint("%s", exact.c_str()), 65535);
    EXPECT_EQ(DbgPrint("%s", full.c_str()), 65536);  // fits the buffer, sent without its last character
    EXPECT_EQ(DbgPrint("%s", longer.c_str()), -1);
    EXPECT_EQ(capture.lines(),
              (Lines{"value 42 of forty", "", exact, std::string(65535, 'b'), std::string(65535, 'c')}));
}

TEST(DumpData, HeaderAndSixteenBytesALine) {
    const char bytes[] = {'\x1f', ' ', '\x7e', '\x7f', '\x80', '\xff', '\t', '\n'};
    const struct {
        const char* name;
        const char* data;
        unsigned int size;
        Lines expected;
    } cases[] = {
        {nullptr, nullptr, 26, {"(null), Size = 26 - 0x1a\n"}},
        {"data",
         "0123456789abcdef~",
         17,
         {"data, Size = 17 - 0x11\n",
          "  0000  30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66   0123456789abcdef\n",
          "  0010  7E" + std::string(48, ' ') + "~\n"}},
        // Control and high bytes show as dots.
        {"raw", bytes, 8,
         {"raw, Size = 8 - 0x8\n", "  0000  1F 20 7E 7F 80 FF 09 0A" + std::string(27, ' ') + ". ~.....\n"}},
    };
    for (const auto& c : cases) {
        DebugCapture capture;
        DumpData(c.name, c.data, c.size);
        EXPECT_EQ(capture.lines(), c.expected) << c.size;
    }
}

TEST(DumpData, OffsetsShowTheirLow16Bits) {
    DebugCapture capture;
    std::string data(0x10011, 'q');
    data[0x10000] = 'W';
    DumpData("big", data.data(), static_cast<unsigned int>(data.size()));
    const Lines& lines = capture.lines();
    ASSERT_EQ(lines.size(), 1u + 0x1001u + 1u);
    EXPECT_EQ(lines[0], "big, Size = 65553 - 0x10011\n");
    EXPECT_EQ(lines[0x1000].substr(0, 8), "  FFF0  ");
    EXPECT_EQ(lines[0x1001], "  0000  57 71 71 71 71 71 71 71 71 71 71 71 71 71 71 71   Wqqqqqqqqqqqqqqq\n");
    EXPECT_EQ(lines[0x1002], "  0010  71" + std::string(48, ' ') + "q\n");
}

}  // namespace
