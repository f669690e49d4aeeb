// Rotation of the log file to its single backup.
#include "log_test_support.h"

namespace util_test {
namespace {

using FileLogRotation = LogFileTest;

std::string rotationNotice(long size, const std::string& backup) {
    return "\nT current log file exceed maximum log file size " + std::to_string(size) + ", rename it to " +
           backup;
}

TEST_F(FileLogRotation, FileOfExactlyLogSizeRotatesBeforeTheRecord) {
    FileLog log("mod");
    writeFile(path, std::string(100, 'x'));
    FileLog::log_size = 101;
    log.LogMsg(1, "kept\n");  // 100 < 101: appended
    EXPECT_EQ(std::string(100, 'x') + "\nT kept\n", logText());
    FileLog::log_size = static_cast<long>(readFile(path).size());
    const std::string before = logText();
    log.LogMsg(1, "mod", "f", 1, "after\n");

    EXPECT_EQ(before + rotationNotice(FileLog::log_size, backupPath), backupText());
    EXPECT_EQ("T create new log file " + path + "T mod f:1 " + idsPiece() + "after\n", logText());
}

TEST_F(FileLogRotation, ExistingBackupIsAnnouncedAndReplaced) {
    FileLog log("mod");
    writeFile(backupPath, "old backup\n");
    writeFile(path, "current\n");
    FileLog::log_size = 1;
    log.LogMsg(1, "next\n");

    EXPECT_EQ("current\n" + rotationNotice(1, backupPath) + "\nT backup log file " + backupPath +
                  " already exist, delete it\n",
              backupText());
    // A short record starts its own line after the notice of the new file.
    EXPECT_EQ("T create new log file " + path + "\nT next\n", logText());
}

TEST_F(FileLogRotation, SizeZeroRotatesEveryRecordEvenAnEmptyFile) {
    FileLog log("mod");
    FileLog::log_size = 0;
    log.LogMsg(1, "one\n");
    EXPECT_EQ(rotationNotice(0, backupPath), backupText());
    log.LogMsg(1, "two\n");
    const std::string created = "T create new log file " + path;
    EXPECT_EQ(created + "\nT one\n" + rotationNotice(0, backupPath) + "\nT backup log file " + backupPath +
                  " already exist, delete it\n",
              backupText());
    EXPECT_EQ(created + "\nT two\n", logText());
}

}  // namespace
}  // namespace util_test
