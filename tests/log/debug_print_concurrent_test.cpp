// DbgPrint and DumpData from several threads at once: each text arrives whole and exactly once.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "log/debug_capture.h"
#include "log/debug_print.h"

namespace {

TEST(DebugOutputConcurrent, EveryTextArrivesWholeOnce) {
    const int kThreads = 4;
    const int kTexts = 200;
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
    std::vector<std::string> lines = capture.lines();
    std::vector<std::string> expected;
    for (int thread = 0; thread < kThreads; ++thread) {
        const std::string letter(1, static_cast<char>('a' + thread));
        std::string hex;
        for (int index = 0; index < 16; ++index) {
            hex += thread == 0 ? "61 " : thread == 1 ? "62 " : thread == 2 ? "63 " : "64 ";
        }
        for (int index = 0; index < kTexts; ++index) {
            expected.push_back("thread " + std::to_string(thread) + " text " + std::to_string(index));
            if (index % 50 == 0) {
                expected.push_back("dump, Size = 20 - 0x14\n");
                expected.push_back("  0000  " + hex + "  " + std::string(16, letter[0]) + "\n");
                expected.push_back("  0010  " + hex.substr(0, 12) + std::string(38, ' ') + std::string(4, letter[0]) +
                                   "\n");
            }
        }
    }
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
}

}  // namespace
