// Threads writing one INI file at the same time: the profile functions
// serialise each read-modify-write, so no write is lost.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "config/ini_reader.h"
#include "support/test_support.h"

namespace {

TEST(IniReaderConcurrent, NoWriteIsLost) {
    util_test::TempDir dir;
    const std::string path = dir.file("shared.ini");
    constexpr int kThreads = 4, kWritesEach = 20;
    auto key = [](int t, int i) { return "t" + std::to_string(t) + "_" + std::to_string(i); };
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&, t] {
            ZnIniReader reader(path.c_str());
            for (int i = 0; i < kWritesEach; ++i) {
                EXPECT_NE(reader.SetKey(key(t, i).c_str(), key(t, i).c_str(), "shared"), 0);
            }
        });
    }
    for (std::thread& writer : writers) writer.join();
    ZnIniReader reader(path.c_str());
    unsigned long count = 0, size = 0;
    EXPECT_EQ(reader.GetSectionData("shared", nullptr, &count, &size), 0);
    EXPECT_EQ(count, static_cast<unsigned long>(kThreads * kWritesEach));
}

}  // namespace
