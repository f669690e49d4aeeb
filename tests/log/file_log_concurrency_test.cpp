// Records from several threads stay whole, and none is lost across a rotation.
#include <thread>
#include <vector>

#include "log_test_support.h"

namespace util_test {
namespace {

using FileLogConcurrency = LogFileTest;

TEST_F(FileLogConcurrency, FourThreadsWriteWholeRecordsAndLoseNoneAcrossARotation) {
    const int kThreads = 4;
    const int kRecords = isWindows() ? 150 : 2000;
    const long recordSize = 120;  // about one record's size
    FileLog::log_size = recordSize * kThreads * kRecords * 2 / 3;  // one rotation, never two

    std::vector<std::thread> writers;
    for (int w = 0; w < kThreads; ++w) {
        writers.emplace_back([w, kRecords] {
            FileLog log("mod");
            for (int n = 0; n < kRecords; ++n) {
                log.LogMsg(1, "mod", "f.cpp", 1, "w=%d n=%d %s\n", w, n, std::string(40, '.').c_str());
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    ASSERT_TRUE(fileExists(backupPath)) << "expected one rotation";
    const std::string record = R"(T mod f\.cpp:1 pid \d+ tid \d+ w=(\d+) n=(\d+) [.]{40})";
    std::set<std::pair<int, int>> seen;
    collectRecords(readFile(backupPath), record, &seen);
    collectRecords(readFile(path), record, &seen);
    EXPECT_EQ(static_cast<std::size_t>(kThreads * kRecords), seen.size());
}

}  // namespace
}  // namespace util_test
