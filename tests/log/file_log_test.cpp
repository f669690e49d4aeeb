// FileLog: record layouts, the filter, the standard-error echo, rotation to the
// single backup, and the path rules of SetLogFilePath.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "log_test_support.h"

namespace util_test {
namespace {

// A POSIX path in this platform's form: "/s/a.cpp" is "C:\s\a.cpp" on Windows.
std::string native(std::string posixPath) {
    if (isWindows()) {
        std::replace(posixPath.begin(), posixPath.end(), '/', '\\');
        posixPath = posixPath[0] == '\\' ? "C:" + posixPath : posixPath;
    }
    return posixPath;
}

using FileLogRecords = LogFileTest;

TEST_F(FileLogRecords, FixedLayoutShortRecordPlaceholdersAndEcho) {
    FileLog log("net"), unnamed;
    const std::string source = native("/src/conn.cpp");
    const std::string foreign = isWindows() ? "src/conn.cpp" : "src\\conn.cpp";  // not a separator here
    log.SetFileLine(source.c_str(), 42);
    ::testing::internal::CaptureStderr();
    const int written = log.LogMsgEx(1, "queue full\n");
    EXPECT_GT(log.LogMsg(1, "%s\n", "queue full"), 0);
    log.LogMsg(1, nullptr, nullptr, -5, "m\n");
    log.LogMsg(1, "net", foreign.c_str(), 1, "m\n");
    log.SetFileLine(nullptr, 4);
    log.LogMsgEx(1, "m\n");
    unnamed.LogMsgEx(1, "m\n");
    const std::string echoed = normalizeLog(::testing::internal::GetCapturedStderr());

    const std::string ids = idsPiece(), record = "T net conn.cpp:42 " + ids + "queue full\n";
    const std::string stored = "T net ?file?:4 " + ids + "m\nT ?Module? ?File?:0 " + ids + "m\n";
    EXPECT_EQ(
        record + "\nT queue full\nT ?Module? ?file?:0 " + ids + "m\nT net " + foreign + ":1 " + ids + "m\n" + stored,
        logText());
    EXPECT_EQ(record + stored, echoed);
    EXPECT_EQ(static_cast<int>(record.size()) - 2 + 24, written);              // "T " stands for 24 characters
    EXPECT_EQ(isWindows(), readFile(path).find("\r\n") != std::string::npos);  // Windows stores CR LF
}

// A record of any length reaches the file whole: past twice the writer's
// 4 KiB stack buffer the heap block is sized to the record and its terminator.
TEST_F(FileLogRecords, RecordLongerThanTwiceTheStackBufferArrivesWhole) {
    const std::string text(10000, 'L');
    EXPECT_GT(FileLog("mod").LogMsg(1, "mod", "f", 1, "%s\n", text.c_str()), 0);
    EXPECT_EQ("T mod f:1 " + idsPiece() + text + "\n", logText());
}

TEST_F(FileLogRecords, MaskSelectsPiecesInOrder) {
    FileLog log("mod");
    const std::string source = native("a/b/x.cpp"), ids = idsPiece();
    const std::pair<int, std::string> cases[] = {
        {0x007F, "T mod x.cpp:7 " + ids + "m\n"},  // the full set without stderr: same text as 0xFFFF
        {0x0017, "T mod x.cpp m\n"},               // no line bit
        {0x0019, "T m\n"},                         // line without file: neither is written
        {0x1062, "mod " + ids},                    // no text bit: prefix only; the stderr bit adds nothing
        {0x0000, ""},                              // the file is still created
    };
    for (const auto& c : cases) {
        std::remove(path.c_str());
        FileLog::log_mask = c.first;
        const int written = log.LogMsg(1, "mod", source.c_str(), 7, "m\n");
        EXPECT_EQ(c.second, logText()) << "mask " << std::hex << c.first;
        EXPECT_EQ(c.second.empty(), written == 0) << "mask " << std::hex << c.first;
        EXPECT_TRUE(fileExists(path));
    }
}

// The filter: object flag, global flag and signed level. TraceMsgEx ignores it
// and echoes the stored fields as they stand; LogMsgEx shortens the stored file
// name for good, even when the record is lost.
TEST_F(FileLogRecords, FilterTraceMsgExAndTheStoredFileName) {
    FileLog log("mod"), silent("quiet", 0);
    EXPECT_GT(log.LogMsg(1, "one\n"), 0);
    ASSERT_EQ(0, std::remove(path.c_str()));  // the next record creates the file again
    EXPECT_GT(log.LogMsg(2, "two\n"), 0);
    EXPECT_EQ(0, log.LogMsg(3, "three\n"));
    EXPECT_GT(log.LogMsg(-1, "minus\n"), 0);
    EXPECT_EQ(0, silent.LogMsg(1, "silent\n"));
    EXPECT_EQ(0, silent.LogMsgEx(1, "silent\n"));
    EXPECT_EQ("\nT two\n\nT minus\n", logText());

    const std::string source = native("/s/t.cpp");
    log.SetFileLine(source.c_str(), -3);
    FileLog::StopLog();
    std::remove(path.c_str());
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(0, log.LogMsg(1, "stopped\n"));
    EXPECT_EQ(0, log.LogMsg(1, "mod", "f", 1, "stopped\n"));
    EXPECT_EQ(0, log.LogMsgEx(1, "stopped\n"));
    const int written = log.TraceMsgEx("n=%d\n", 5);  // standard error only, the name as stored
    EXPECT_FALSE(fileExists(path));
    FileLog::StartLog();
    FileLog::log_mask = 0x007F;  // no standard-error echo
    ASSERT_EQ(1, FileLog::SetLogFilePath(dir.file("missing/dir/x.log").c_str()));
    EXPECT_EQ(0, log.LogMsg(1, "lost\n"));  // the file does not open
    EXPECT_EQ(0, log.LogMsgEx(1, "m\n"));   // shortens the name although the record is lost
    log.TraceMsgEx("t\n");
    const std::string echoed = normalizeLog(::testing::internal::GetCapturedStderr());

    const std::string first = "T mod " + source + ":-3 " + idsPiece() + "n=5\n";
    EXPECT_EQ(first + "T mod t.cpp:-3 " + idsPiece() + "t\n", echoed);
    EXPECT_EQ(static_cast<int>(first.size()) - 2 + 24, written);
    EXPECT_STREQ("t.cpp", log.file);
}

using FileLogRotation = LogFileTest;

std::string rotationNotice(long size, const std::string& backup) {
    return "\nT current log file exceed maximum log file size " + std::to_string(size) + ", rename it to " + backup;
}

TEST_F(FileLogRotation, FileOfLogSizeReplacesTheBackupBeforeTheRecord) {
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

    // Size 0 rotates every record, even an empty file; a short record starts
    // its own line after the notice of the new file.
    std::remove(path.c_str());
    std::remove(backupPath.c_str());
    FileLog::log_size = 0;
    log.LogMsg(1, "one\n");
    EXPECT_EQ(rotationNotice(0, backupPath), backupText());
    log.LogMsg(1, "two\n");
    EXPECT_EQ(created + "\nT one\n" + rotationNotice(0, backupPath) + replaced, backupText());
    EXPECT_EQ(created + "\nT two\n", logText());
}

using LogPaths = LogFileTest;

// Absolute names stand, others go inside the log directory; a name whose path
// or backup would not fit changes neither path.
TEST_F(LogPaths, AbsoluteNamesStandOthersGoInsideTheLogDirectoryTooLongOnesChangeNothing) {
    const std::string root = native("/");
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
        EXPECT_EQ(longest, FileLog::log_path);
        EXPECT_EQ(longest + ".bak", FileLog::log_bak_path);
    }

    FileLog::SetLogFilePath("x");
    const std::string directory(FileLog::log_path, std::strlen(FileLog::log_path) - 1);  // ends in the separator
    for (const char* relative : {"C:x.log", "sub/dir/n.log"}) {
        EXPECT_EQ(1, FileLog::SetLogFilePath(relative)) << relative;
        EXPECT_EQ(directory + relative, FileLog::log_path) << relative;
        EXPECT_EQ(directory + relative + ".bak", FileLog::log_bak_path) << relative;
    }
}

}  // namespace
}  // namespace util_test
