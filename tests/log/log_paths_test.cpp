// The log and backup path rules of SetLogFilePath.
#include "log_test_support.h"

namespace util_test {
namespace {

class LogPaths : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(1, FileLog::SetLogFilePath(original().c_str())); }
    static std::string original() { return isWindows() ? "C:\\keep\\me.log" : "/keep/me.log"; }
    static void expectUnchanged() {
        EXPECT_EQ(original(), FileLog::log_path);
        EXPECT_EQ(original() + ".bak", FileLog::log_bak_path);
    }
    // The directory GetLogFilePath placed the default log in.
    static std::string logDirectory() {
        FileLog::SetLogFilePath("x");
        std::string path = FileLog::log_path;
        return path.substr(0, path.size() - 2);
    }
};

TEST_F(LogPaths, AbsoluteNameIsTakenAsItStands) {
    const std::string name = isWindows() ? "D:\\x\\my.log" : "/x/my.log";
    EXPECT_EQ(1, FileLog::SetLogFilePath(name.c_str()));
    EXPECT_EQ(name, FileLog::log_path);
    EXPECT_EQ(name + ".bak", FileLog::log_bak_path);
    EXPECT_EQ(name, FileLog::GetLogFilePath());
    EXPECT_EQ(name + ".bak", FileLog::log_bak_path);
}

TEST_F(LogPaths, OtherNamesGoInsideTheLogDirectory) {
    const std::string directory = logDirectory();
    const char separator = isWindows() ? '\\' : '/';
    const char* relative[] = {"my.log", "C:x.log", "C:", "", "sub/dir/n.log", "\\lead.log"};
    for (const char* name : relative) {
        EXPECT_EQ(1, FileLog::SetLogFilePath(name)) << name;
        EXPECT_EQ(directory + separator + name, FileLog::log_path) << name;
        EXPECT_EQ(directory + separator + name + ".bak", FileLog::log_bak_path) << name;
    }
}

TEST_F(LogPaths, RefusalsLeaveBothPathsUnchanged) {
    EXPECT_EQ(0, FileLog::SetLogFilePath(nullptr));
    expectUnchanged();
    const std::string root = isWindows() ? "C:\\" : "/";
    EXPECT_EQ(0, FileLog::SetLogFilePath((root + std::string(1023 - root.size(), 'a')).c_str()));
    expectUnchanged();
    // 1,022 characters pass the length test, but the backup name would not fit.
    EXPECT_EQ(0, FileLog::SetLogFilePath((root + std::string(1022 - root.size(), 'a')).c_str()));
    expectUnchanged();
    // A relative name whose joined path would not fit.
    EXPECT_EQ(0, FileLog::SetLogFilePath(std::string(1000, 'r').c_str()));
    expectUnchanged();
    // The longest absolute name whose backup still fits is taken.
    const std::string longest = root + std::string(1019 - root.size(), 'b');
    EXPECT_EQ(1, FileLog::SetLogFilePath(longest.c_str()));
    EXPECT_EQ(longest + ".bak", FileLog::log_bak_path);
}

}  // namespace
}  // namespace util_test
