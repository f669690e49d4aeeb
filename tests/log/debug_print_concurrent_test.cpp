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
    // Every text once, and every dump line whole.
    const std::vector<std::string> lines = capture.lines();
    std::vector<std::string> texts;
    int headers = 0;
    int fullLines = 0;
    int shortLines = 0;
    for (const std::string& line : lines) {
        if (line.rfind("thread ", 0) == 0) {
            texts.push_back(line);
        } else if (line == "dump, Size = 20 - 0x14\n") {
            ++headers;
        } else if (line.size() == 75 && line.rfind("  0000  ", 0) == 0) {
            ++fullLines;
        } else if (line.size() == 63 && line.rfind("  0010  ", 0) == 0) {
            ++shortLines;
        }
    }
    std::vector<std::string> expected;
    for (int thread = 0; thread < kThreads; ++thread) {
        for (int index = 0; index < kTexts; ++index) {
            expected.push_back("thread " + std::to_string(thread) + " text " + std::to_string(index));
        }
    }
    std::sort(texts.begin(), texts.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(headers, 16);
    EXPECT_EQ(fullLines, 16);
    EXPECT_EQ(shortLines, 16);
    EXPECT_EQ(lines.size(), texts.size() + 48);
}

}  // namespace
