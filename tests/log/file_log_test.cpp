// FileLog: record layouts, the filter, the echo, rotation, the path rules, and records from threads and processes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "log_test_support.h"
#include "system/process_launch.h"

namespace util_test {
namespace {

using FileLogRecords = LogFileTest;

// TraceMsgEx echoes the stored fields as they stand; LogMsgEx shortens the stored file name for good.
TEST_F(FileLogRecords, LayoutsPlaceholdersAndTheEcho) {
    FileLog log("net");
    const std::string source = dir.file("conn.cpp");
    log.SetFileLine(source.c_str(), 42);
    ::testing::internal::CaptureStderr();
    const int traced = log.TraceMsgEx("n=%d\n", 5);
    const int written = log.LogMsgEx(1, "queue full\n");
    EXPECT_GT(log.LogMsg(1, "%s\n", "queue full"), 0);
    log.LogMsg(1, nullptr, nullptr, -5, "m\n");
    log.SetFileLine(nullptr, 4);
    log.LogMsgEx(1, "m\n");
    const std::string echoed = normalizeLog(::testing::internal::GetCapturedStderr());

    const std::string ids = idsPiece(), trace = "T net " + source + ":42 " + ids + "n=5\n";
    const std::string record = "T net conn.cpp:42 " + ids + "queue full\n", last = "T net ?file?:4 " + ids + "m\n";
    EXPECT_EQ(record + "\nT queue full\nT ?Module? ?file?:0 " + ids + "m\n" + last, logText());
    EXPECT_EQ(trace + record + last, echoed);
    EXPECT_EQ(static_cast<int>(trace.size()) - 2 + 24, traced);  // "T " stands for 24 characters
    EXPECT_EQ(static_cast<int>(record.size()) - 2 + 24, written);
    EXPECT_EQ(isWindows(), readFile(path).find("\r\n") != std::string::npos);  // Windows stores CR LF
}

// Past twice the writer's 4 KiB stack buffer, the heap block is sized to the record and its terminator.
TEST_F(FileLogRecords, RecordLongerThanTwiceTheStackBufferArrivesWhole) {
    const std::string text(10000, 'L');
    EXPECT_GT(FileLog("mod").LogMsg(1, "mod", "f", 1, "%s\n", text.c_str()), 0);
    EXPECT_EQ("T mod f:1 " + idsPiece() + text + "\n", logText());
}

TEST_F(FileLogRecords, MaskSelectsPiecesInOrder) {
    FileLog log("mod");
    const std::string source = dir.file("x.cpp"), ids = idsPiece();
    const std::pair<int, std::string> cases[] = {
        {0x007F, "T mod x.cpp:7 " + ids + "m\n"},  // the full set without stderr: same text as 0xFFFF
        {0x0017, "T mod x.cpp m\n"},               // no line bit
        {0x1062, "mod " + ids},                    // no text bit: prefix only; the stderr bit adds nothing
        {0x0000, ""},                              // the file is still created
    };
    for (const auto& c : cases) {
        std::remove(path.c_str());
        FileLog::log_mask = c.first;
        EXPECT_EQ(c.second.empty(), log.LogMsg(1, "mod", source.c_str(), 7, "m\n") == 0) << c.first;
        EXPECT_EQ(c.second, logText()) << c.first;
        EXPECT_TRUE(fileExists(path));
    }
}

// The filter: object flag, global flag and signed level; then a file that does not open.
TEST_F(FileLogRecords, FilterAndALogThatDoesNotOpenWriteNothing) {
    FileLog log("mod"), silent("quiet", 0);
    EXPECT_GT(log.LogMsg(2, "two\n"), 0);
    EXPECT_EQ(0, log.LogMsg(3, "three\n"));
    EXPECT_GT(log.LogMsg(-1, "minus\n"), 0);
    EXPECT_EQ(0, silent.LogMsg(1, "silent\n"));
    EXPECT_EQ(0, silent.LogMsgEx(1, "silent\n"));
    FileLog::StopLog();
    EXPECT_EQ(0, log.LogMsg(1, "stopped\n"));
    EXPECT_EQ(0, log.LogMsg(1, "mod", "f", 1, "stopped\n"));
    EXPECT_EQ(0, log.LogMsgEx(1, "stopped\n"));
    EXPECT_EQ("\nT two\n\nT minus\n", logText());
    FileLog::StartLog();
    ASSERT_EQ(1, FileLog::SetLogFilePath(dir.file("missing/dir/x.log").c_str()));
    EXPECT_EQ(0, log.LogMsg(1, "lost\n"));
    EXPECT_EQ(0, log.LogMsg(1, "mod", "f", 1, "lost\n"));
}

std::string rotationNotice(long size, const std::string& backup) {
    return "\nT current log file exceed maximum log file size " + std::to_string(size) + ", rename it to " + backup;
}

// A file of log_size bytes replaces the backup before the record; size 0 rotates even an empty file.
TEST_F(FileLogRecords, RotationToTheSingleBackup) {
    FileLog log("mod");
    writeFile(backupPath, "old backup\n");
    writeFile(path, std::string(100, 'x'));
    FileLog::log_size = 101;
    log.LogMsg(1, "kept\n");  // 100 < 101: appended
    FileLog::log_size = static_cast<long>(readFile(path).size());
    log.LogMsg(1, "mod", "f", 1, "after\n");
    const std::string created = "T create new log file " + path;
    const std::string replaced = "\nT backup log file " + backupPath + " already exist, delete it\n";
    EXPECT_EQ(std::string(100, 'x') + "\nT kept\n" + rotationNotice(FileLog::log_size, backupPath) + replaced,
              backupText());
    EXPECT_EQ(created + "T mod f:1 " + idsPiece() + "after\n", logText());

    std::remove(path.c_str());
    std::remove(backupPath.c_str());
    FileLog::log_size = 0;
    log.LogMsg(1, "one\n");
    log.LogMsg(1, "two\n");
    EXPECT_EQ(created + "\nT one\n" + rotationNotice(0, backupPath) + replaced, backupText());
    EXPECT_EQ(created + "\nT two\n", logText());
}

// Absolute names stand, others go inside the log directory; a name that would not fit changes nothing.
TEST_F(FileLogRecords, AbsoluteNamesStandOthersGoInsideTheLogDirectoryTooLongOnesChangeNothing) {
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
    for (const std::string& name : refused) {
        EXPECT_EQ(0, FileLog::SetLogFilePath(name.c_str())) << name.size();
        EXPECT_EQ(longest + ".bak", FileLog::log_bak_path);
    }
    EXPECT_EQ(longest, FileLog::log_path);

    FileLog::SetLogFilePath("x");
    const std::string directory(FileLog::log_path, std::strlen(FileLog::log_path) - 1);  // ends in the separator
    for (const char* relative : {"C:x.log", "sub/dir/n.log"}) {
        EXPECT_EQ(1, FileLog::SetLogFilePath(relative)) << relative;
        EXPECT_EQ(directory + relative + ".bak", FileLog::log_bak_path) << relative;
    }
    EXPECT_EQ(directory + "sub/dir/n.log", FileLog::log_path);
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

TEST_F(FileLogRecords, FourThreadsWriteWholeRecordsAndLoseNoneAcrossARotation) {
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

// Each record is one write to a file opened for appending: long records of four processes never tear.
TEST_F(FileLogRecords, FourProcessesAppendLongRecordsWhole) {
    ASSERT_EQ(0, writerRan);
    setEnvironment(kWriterRequest, path.c_str());
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
