// FileLog: record layouts, the filter, the echo, rotation, the path rules, and records from threads and processes.
#include <cstdlib>
#include <thread>
#include <vector>

#include "log_test_support.h"
#include "system/process_launch.h"

namespace util_test {
namespace {

// TraceMsgEx echoes the stored fields as they stand; LogMsgEx shortens the stored file name for good. A record past
// twice the writer's 4 KiB stack buffer arrives whole: the heap block is sized to the record and its terminator.
TEST_F(FileLogTest, LayoutsPlaceholdersTheEchoAndARecordPastTwiceTheStackBuffer) {
    FileLog log("net");
    const std::string source = dir.file("conn.cpp"), longText(10000, 'L');
    log.SetFileLine(source.c_str(), 42);
    ::testing::internal::CaptureStderr();
    log.TraceMsgEx("n=%d\n", 5);
    const int written = log.LogMsgEx(1, "queue full\n");
    EXPECT_GT(log.LogMsg(1, "%s\n", longText.c_str()), 0);
    log.LogMsg(1, nullptr, nullptr, -5, "m\n");
    log.SetFileLine(nullptr, 4);
    log.LogMsgEx(1, "m\n");
    const std::string echoed = normalizeLog(::testing::internal::GetCapturedStderr());

    const std::string ids = idsPiece(), trace = "T net " + source + ":42 " + ids + "n=5\n";
    const std::string record = "T net conn.cpp:42 " + ids + "queue full\n", last = "T net ?file?:4 " + ids + "m\n";
    EXPECT_EQ(record + "\nT " + longText + "\nT ?Module? ?file?:0 " + ids + "m\n" + last, logText());
    EXPECT_EQ(trace + record + last, echoed);
    EXPECT_EQ(static_cast<int>(record.size()) - 2 + 24, written);              // "T " stands for 24 characters
    EXPECT_EQ(isWindows(), readFile(path).find("\r\n") != std::string::npos);  // Windows stores CR LF
}

// The filter (object flag, global flag, signed level) in each entry point; the mask's pieces; a log that cannot open.
TEST_F(FileLogTest, FilterMaskAndALogThatDoesNotOpen) {
    FileLog log("mod"), silent("quiet", 0);
    EXPECT_GT(log.LogMsg(2, "two\n"), 0);
    EXPECT_EQ(0, log.LogMsg(3, "three\n"));
    EXPECT_GT(log.LogMsg(-1, "minus\n"), 0);
    EXPECT_EQ(0, silent.LogMsg(1, "silent\n") + silent.LogMsgEx(1, "silent\n"));
    FileLog::StopLog();
    EXPECT_EQ(0, log.LogMsg(1, "x\n") + log.LogMsg(1, "mod", "f", 1, "x\n") + log.LogMsgEx(1, "x\n"));
    FileLog::StartLog();
    const std::string source = dir.file("x.cpp");
    FileLog::log_mask = 0x0017;  // no line bit
    EXPECT_GT(log.LogMsg(1, "mod", source.c_str(), 7, "m\n"), 0);
    FileLog::log_mask = 0x1062;  // no text bit: the prefix only; the stderr bit adds nothing
    log.LogMsg(1, "mod", source.c_str(), 7, "m\n");
    EXPECT_EQ("\nT two\n\nT minus\nT mod x.cpp m\nmod " + idsPiece(), logText());
    ASSERT_EQ(1, FileLog::SetLogFilePath(dir.file("missing/dir/x.log").c_str()));
    EXPECT_EQ(0, log.LogMsg(1, "lost\n") + log.LogMsg(1, "mod", "f", 1, "lost\n"));
}

// A file of log_size bytes replaces the backup before the record, with notices in both files.
TEST_F(FileLogTest, RotationToTheSingleBackup) {
    FileLog log("mod");
    writeFile(backupPath, "old backup\n");
    writeFile(path, std::string(100, 'x'));
    FileLog::log_size = 101;
    log.LogMsg(1, "kept\n");  // 100 < 101: appended
    FileLog::log_size = static_cast<long>(readFile(path).size());
    log.LogMsg(1, "mod", "f", 1, "after\n");
    EXPECT_EQ(std::string(100, 'x') + "\nT kept\n\nT current log file exceed maximum log file size " +
                  std::to_string(FileLog::log_size) + ", rename it to " + backupPath + "\nT backup log file " +
                  backupPath + " already exist, delete it\n",
              normalizeLog(readFile(backupPath)));
    EXPECT_EQ("T create new log file " + path + "T mod f:1 " + idsPiece() + "after\n", logText());
}

// Absolute names stand (relative ones: see the defaults test); a name whose path or backup would not fit changes
// nothing.
TEST_F(FileLogTest, AbsoluteNamesStandNamesThatWouldNotFitChangeNothing) {
    const std::string root = dir.file("");
    const std::string longest = root + std::string(1019 - root.size(), 'b');  // its backup still fits
    EXPECT_EQ(1, FileLog::SetLogFilePath(longest.c_str()));
    EXPECT_EQ(longest, FileLog::GetLogFilePath());
    const std::string refused[] = {
        root + std::string(1023 - root.size(), 'a'),  // too long
        root + std::string(1022 - root.size(), 'a'),  // passes the length test; the backup would not fit
        std::string(1000, 'r'),                       // relative: the joined path would not fit
    };
    EXPECT_EQ(0, FileLog::SetLogFilePath(nullptr));
    for (const std::string& name : refused) EXPECT_EQ(0, FileLog::SetLogFilePath(name.c_str())) << name.size();
    EXPECT_EQ(longest, FileLog::log_path);
    EXPECT_EQ(longest + ".bak", FileLog::log_bak_path);
}

const char kWriterRequest[] = "UTIL_TEST_LOG_WRITER";
const std::string kLongBody(6000, 'x');  // longer than a page, up to which a pipe keeps a write whole anyway

// Started again with UTIL_TEST_LOG_WRITER=<log path>, this binary writes its records before any test, and exits.
const int writerRan = [] {
    const char* logPath = std::getenv(kWriterRequest);
    if (logPath == nullptr) return 0;
    if (FileLog::SetLogFilePath(logPath) != 1) std::exit(2);
    FileLog::log_size = 0x7FFFFFFF;  // rotation between processes is not coordinated
    writeRecords(2000, kLongBody);
    std::exit(0);
}();

TEST_F(FileLogTest, FourThreadsWriteWholeRecordsAndLoseNoneAcrossARotation) {
    const int kRecords = isWindows() ? 150 : 2000;
    const std::string body(40, '.');
    FileLog::log_size = 100 * 4 * kRecords * 2 / 3;  // about 100 bytes a record: one rotation, never two
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w) writers.emplace_back(writeRecords, kRecords, body);
    for (auto& writer : writers) writer.join();
    ASSERT_TRUE(fileExists(backupPath)) << "expected one rotation";
    expectEveryRecord(collectRecords(readFile(backupPath) + readFile(path), body), 4, kRecords);
}

// Each record is one write to a file opened for appending: long records of four processes never tear.
TEST_F(FileLogTest, FourProcessesAppendLongRecordsWhole) {
    ASSERT_EQ(0, writerRan);
    setEnvironment(kWriterRequest, path.c_str());
    const std::string command = "\"" + selfPath() + "\"";
    std::vector<int> started(4, 0);
    std::vector<std::thread> starters;
    for (int p = 0; p < 4; ++p) starters.emplace_back([&, p] { started[p] = Exec(command.c_str(), nullptr, 0, 1); });
    for (auto& starter : starters) starter.join();
    setEnvironment(kWriterRequest, nullptr);
    EXPECT_EQ(std::vector<int>(4, 1), started);
    expectEveryRecord(collectRecords(readFile(path), kLongBody), 4, 2000);
}

}  // namespace
}  // namespace util_test
