// DbgPrint and DumpData from several threads at once: each text arrives whole and exactly once.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "log/debug_capture.h"
#include "log/debug_print.h"

namespace {

TEST(DebugOutputConcurrent, EveryTextArrivesWholeOnce) {
    const int kThreads = 4, kTexts = 200;
    util_test::DebugCapture capture;
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) {
        threads.emplace_back([thread] {
            const std::string bytes(20, static_cast<char>('a' + thread));
            for (int index = 0; index < kTexts; ++index) {
                DbgPrint("thread %d text %d", thread, index);
                if (index % 50 == 0) {
                    DumpData("dump", bytes.data(), static_cast<unsigned int>(bytes.size()));
                }
            }
        });
    }
    for (std::thread& each : threads) {
        each.join();
    }
    // Dump lines are counted by offset and length: 16 dumps of a header, a full and a short line.
    std::map<std::string, int> counts;
    for (const std::string& line : capture.lines()) {
        ++counts[line.rfind("  00", 0) == 0 ? line.substr(0, 8) + std::to_string(line.size()) : line];
    }
    for (int thread = 0; thread < kThreads; ++thread) {
        for (int index = 0; index < kTexts; ++index) {
            EXPECT_EQ(counts["thread " + std::to_string(thread) + " text " + std::to_string(index)], 1);
        }
    }
    EXPECT_EQ(counts["dump, Size = 20 - 0x14\n"], 16);
    EXPECT_EQ(counts["  0000  75"], 16);
    EXPECT_EQ(counts["  0010  63"], 16);
    EXPECT_EQ(capture.lines().size(), static_cast<std::size_t>(kThreads * kTexts + 48));
}

}  // namespace
