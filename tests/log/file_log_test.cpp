// Record layouts, the filter and the standard-error echo of FileLog.
#include "log_test_support.h"

namespace util_test {
namespace {

using FileLogRecords = LogFileTest;

TEST_F(FileLogRecords, FixedLayoutAndShortRecordMatchTheDocumentedLines) {
    FileLog log("net");
    log.SetFileLine(isWindows() ? "C:\\src\\conn.cpp" : "/src/conn.cpp", 42);
    ::testing::internal::CaptureStderr();
    const int written = log.LogMsgEx(1, "queue full\n");
    const std::string echoed = normalizeLog(::testing::internal::GetCapturedStderr());
    EXPECT_GT(log.LogMsg(1, "%s\n", "queue full"), 0);

    const std::string record = "T net conn.cpp:42 " + idsPiece() + "queue full\n";
    EXPECT_EQ(record + "\nT queue full\n", logText());
    EXPECT_EQ(static_cast<int>(record.size()) - 2 + 24, written);  // "T " stands for 24 characters
    EXPECT_EQ(record, echoed);
}

TEST_F(FileLogRecords, MaskSelectsPiecesInOrder) {
    FileLog log("mod");
    const char* source = isWindows() ? "a\\b\\x.cpp" : "a/b/x.cpp";
    struct Case {
        int mask;
        std::string expected;
    };
    const std::string ids = idsPiece();
    const std::string pid = ids.substr(0, ids.find("tid"));
    const std::string tid = ids.substr(ids.find("tid"));
    const Case cases[] = {
        {0x007F, "T mod x.cpp:7 " + ids + "m\n"},  // the full set without stderr: same text as 0xFFFF
        {0x0017, "T mod x.cpp m\n"},               // no line bit
        {0x0019, "T m\n"},                          // line without file: neither is written
        {0x0062, "mod " + pid + tid},               // no text bit: prefix only, no line end
        {0x0010, "m\n"},
        {0x1010, "m\n"},                            // stderr bit alone adds nothing to the file
        {0x000C, "x.cpp:7 "},
    };
    for (const Case& c : cases) {
        util_test::writeFile(path, "");
        FileLog::log_mask = c.mask;
        const int written = log.LogMsg(1, "mod", source, 7, "m\n");
        EXPECT_EQ(c.expected, logText()) << "mask " << std::hex << c.mask;
        EXPECT_GT(written, 0);
    }
}

TEST_F(FileLogRecords, MaskZeroOpensTheFileButWritesNothing) {
    FileLog log("mod");
    FileLog::log_mask = 0;
    EXPECT_EQ(0, log.LogMsg(1, "mod", "f", 1, "m\n"));
    EXPECT_TRUE(fileExists(path));
    EXPECT_EQ("", readFile(path));
}

TEST_F(FileLogRecords, WriterSubstitutesNullNamesAndNegativeLines) {
    FileLog log("mod");
    log.LogMsg(1, nullptr, nullptr, -5, "m\n");
    EXPECT_EQ("T ?Module? ?file?:0 " + idsPiece() + "m\n", logText());
}

TEST_F(FileLogRecords, OnlyThePlatformSeparatorShortensFileNames) {
    FileLog log("mod");
    const char* foreign = isWindows() ? "src/conn.cpp" : "src\\conn.cpp";
    log.LogMsg(1, "mod", foreign, 1, "m\n");
    EXPECT_EQ("T mod " + std::string(foreign) + ":1 " + idsPiece() + "m\n", logText());
}

TEST_F(FileLogRecords, FilterUsesFlagsAndSignedLevel) {
    FileLog log("mod");
    FileLog silent("quiet", 0);
    EXPECT_GT(log.LogMsg(2, "two\n"), 0);
    EXPECT_EQ(0, log.LogMsg(3, "three\n"));
    EXPECT_GT(log.LogMsg(-1, "minus\n"), 0);
    EXPECT_EQ(0, silent.LogMsg(1, "silent\n"));
    EXPECT_EQ(0, silent.LogMsgEx(1, "silent\n"));
    EXPECT_EQ("\nT two\n\nT minus\n", logText());

    FileLog::StopLog();
    EXPECT_EQ(0, log.LogMsg(1, "stopped\n"));
    EXPECT_EQ(0, log.LogMsg(1, "mod", "f", 1, "stopped\n"));
    std::remove(path.c_str());
    EXPECT_EQ(0, log.LogMsgEx(1, "stopped\n"));
    EXPECT_FALSE(fileExists(path));
    FileLog::StartLog();
    EXPECT_EQ(1, FileLog::log_flag);
}

TEST_F(FileLogRecords, TraceMsgExWritesStandardErrorEvenWhenSilenced) {
    FileLog silent("quiet", 0);
    silent.SetFileLine(isWindows() ? "C:\\s\\t.cpp" : "/s/t.cpp", -3);
    FileLog::StopLog();
    ::testing::internal::CaptureStderr();
    const int written = silent.TraceMsgEx("n=%d\n", 5);
    const std::string echoed = ::testing::internal::GetCapturedStderr();
    const std::string file = isWindows() ? "C:\\s\\t.cpp" : "/s/t.cpp";  // not shortened
    EXPECT_EQ("T quiet " + file + ":-3 " + idsPiece() + "n=5\n", normalizeLog(echoed));
    EXPECT_EQ(static_cast<int>(echoed.size()), written);
    EXPECT_FALSE(fileExists(path));
}

TEST_F(FileLogRecords, LogMsgExShortensTheStoredFileForGood) {
    FileLog log("mod");
    log.SetFileLine(isWindows() ? "C:\\src\\a.cpp" : "/src/a.cpp", 9);
    FileLog::SetLogMask(0x007F);  // no standard-error echo
    ::testing::internal::CaptureStderr();
    log.LogMsgEx(1, "m\n");
    EXPECT_EQ("", ::testing::internal::GetCapturedStderr());
    EXPECT_STREQ("a.cpp", log.file);

    // Shortened even when the record cannot be written.
    log.SetFileLine(isWindows() ? "C:\\src\\b.cpp" : "/src/b.cpp", 9);
    ASSERT_EQ(1, FileLog::SetLogFilePath(dir.file("missing/dir/x.log").c_str()));
    EXPECT_EQ(0, log.LogMsgEx(1, "m\n"));
    EXPECT_STREQ("b.cpp", log.file);
    ::testing::internal::CaptureStderr();
    log.TraceMsgEx("t\n");
    EXPECT_NE(std::string::npos, ::testing::internal::GetCapturedStderr().find(" mod b.cpp:9 "));
}

TEST_F(FileLogRecords, NullStoredFileEchoesAPlaceholder) {
    FileLog log("mod");
    log.SetFileLine(nullptr, 4);
    ::testing::internal::CaptureStderr();
    log.LogMsgEx(1, "m\n");
    EXPECT_EQ("T mod ?file?:4 " + idsPiece() + "m\n", normalizeLog(::testing::internal::GetCapturedStderr()));
    EXPECT_EQ("T mod ?file?:4 " + idsPiece() + "m\n", logText());
}

TEST_F(FileLogRecords, DeletedFileIsCreatedAgainByTheNextRecord) {
    FileLog log("mod");
    log.LogMsg(1, "one\n");
    ASSERT_EQ(0, std::remove(path.c_str()));
    log.LogMsg(1, "two\n");
    EXPECT_EQ("\nT two\n", logText());
}

TEST_F(FileLogRecords, WindowsStoresLineFeedsAsCarriageReturnLineFeed) {
    FileLog log("mod");
    log.LogMsg(1, "a\nb\n");
    const std::string raw = readFile(path);
    EXPECT_EQ(isWindows(), raw.find("\r\n") != std::string::npos) << raw;
}

TEST(FileLogObject, ConstructionAndCopyKeepPointers) {
    FileLog unnamed;
    EXPECT_STREQ("?Module?", unnamed.module);
    EXPECT_STREQ("?File?", unnamed.file);
    EXPECT_EQ(0, unnamed.line);
    EXPECT_EQ(1, unnamed.flag);

    const char* name = "copy";
    FileLog named(name, 0);
    named.SetFileLine("f.cpp", 3);
    unnamed = named;
    EXPECT_EQ(name, unnamed.module);
    EXPECT_EQ(named.file, unnamed.file);
    EXPECT_EQ(3, unnamed.line);
    EXPECT_EQ(0, unnamed.flag);
}

TEST(FileLogSettings, AccessorsStoreValuesUnchecked) {
    EXPECT_EQ(5, FileLog::SetLogLevel(5));
    EXPECT_EQ(5, FileLog::GetLogLevel());
    EXPECT_EQ(-7, FileLog::SetLogLevel(-7));
    EXPECT_EQ(-1, FileLog::SetLogMask(-1));
    EXPECT_EQ(-1, FileLog::GetLogMask());
    EXPECT_EQ(-100, FileLog::SetMaxLogFileSize(-100));
    EXPECT_EQ(-100, FileLog::GetMaxLogFileSize());
    FileLog::SetLogLevel(2);
    FileLog::SetLogMask(LOGMASK_ALL);
    FileLog::SetMaxLogFileSize(0xA00000);
}

}  // namespace
}  // namespace util_test
