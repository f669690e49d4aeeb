// The side log's append, cut and failure messages, on paths of the test's own.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "log/debug_output.h"
#include "support/test_support.h"

namespace {

int appendTo(const std::string& path, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    const int result = util::appendSideLog(path.c_str(), format, arguments);
    va_end(arguments);
    return result;
}

TEST(SideLog, AppendsEachTextAsItStandsCutAt4095CharactersAndReportsFailures) {
    util_test::TempDir directory;
    const std::string path = directory.file("side.log");
    util_test::writeFile(path, "old;");
    std::FILE* readOnly = std::fopen(path.c_str(), "r");
    ASSERT_NE(readOnly, nullptr);
    testing::internal::CaptureStdout();
    EXPECT_EQ(appendTo(path, "state %d;%s", 3, std::string(4095, 'k').c_str()), 0);  // cut at 4095 characters
    EXPECT_EQ(appendTo(directory.file("missing").append("/x/side.log"), "text"), -1);
    EXPECT_EQ(util::writeSideLog(readOnly, "text"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "fopen err\nfputs err\n");
    EXPECT_EQ(util_test::readFile(path), "old;state 3;" + std::string(4087, 'k'));
}

}  // namespace
