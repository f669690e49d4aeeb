// Records from several threads stay whole, and none is lost across a rotation;
// long records from several processes stay whole too.
#include <cstdlib>
#include <thread>
#include <vector>

#include "log_test_support.h"
#include "system/process_launch.h"

namespace util_test {
namespace {

const char kWriterRequest[] = "UTIL_TEST_LOG_WRITER";
// Longer than a page, the size up to which a pipe or a small buffer keeps a write whole anyway.
const std::string kLongBody(6000, 'x');

// The writer process: this binary started again with UTIL_TEST_LOG_WRITER set
// to "<records> <log path>" writes its records before any test runs, and exits.
const int writerRan = [] {
    const char* request = std::getenv(kWriterRequest);
    if (request == nullptr) {
        return 0;
    }
    int records = 0, offset = 0;
    if (std::sscanf(request, "%d %n", &records, &offset) != 1 || FileLog::SetLogFilePath(request + offset) != 1) {
        std::exit(2);
    }
    FileLog::SetMaxLogFileSize(0x7FFFFFFF);  // rotation between processes is not coordinated
    writeRecords(records, kLongBody);
    std::exit(0);
}();

using FileLogConcurrency = LogFileTest;

TEST_F(FileLogConcurrency, FourThreadsWriteWholeRecordsAndLoseNoneAcrossARotation) {
    const int kRecords = isWindows() ? 150 : 2000;
    const std::string body(40, '.');
    FileLog::log_size = 100 * 4 * kRecords * 2 / 3;  // about 100 bytes a record: one rotation, never two
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w) writers.emplace_back(writeRecords, kRecords, body);
    for (auto& writer : writers) writer.join();
    ASSERT_TRUE(fileExists(backupPath)) << "expected one rotation";
    Records seen;
    collectRecords(readFile(backupPath), body, &seen);
    collectRecords(readFile(path), body, &seen);
    expectEveryRecord(seen, 4, kRecords);
}

// Each record is one write to a file opened for appending, so records longer
// than a page from four processes never tear into each other.
TEST_F(FileLogConcurrency, FourProcessesAppendLongRecordsWhole) {
    ASSERT_EQ(0, writerRan);
    setEnvironment(kWriterRequest, ("2000 " + path).c_str());
    const std::string command = "\"" + selfPath() + "\"";
    std::vector<int> started(4, 0);
    std::vector<std::thread> starters;
    for (int p = 0; p < 4; ++p) starters.emplace_back([&, p] { started[p] = Exec(command.c_str(), nullptr, 0, 1); });
    for (auto& starter : starters) starter.join();
    setEnvironment(kWriterRequest, nullptr);
    EXPECT_EQ(std::vector<int>(4, 1), started);
    Records seen;
    collectRecords(readFile(path), kLongBody, &seen);
    expectEveryRecord(seen, 4, 2000);
}

}  // namespace
}  // namespace util_test
