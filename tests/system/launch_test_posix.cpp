// StartInternetExplorer's POSIX result mapping, with this test binary standing
// in for xdg-open (a link named xdg-open in a directory put first in PATH).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "log/debug_capture.h"
#include "support/test_support.h"
#include "system/process_launch.h"

namespace {

using util_test::DebugCapture;

class OpenerPath {
public:
    explicit OpenerPath(const std::string& directory) {
        const char* path = std::getenv("PATH");
        saved_ = path != nullptr ? path : "";
        setenv("PATH", directory.c_str(), 1);
    }
    ~OpenerPath() { setenv("PATH", saved_.c_str(), 1); }

private:
    std::string saved_;
};

TEST(StartInternetExplorerPosix, MapsTheOpenersOutcome) {
    util_test::TempDir directory;
    ASSERT_EQ(symlink(std::filesystem::absolute(util_test::selfPath()).c_str(), directory.file("xdg-open").c_str()), 0);
    DebugCapture capture;
    {
        OpenerPath path(directory.path());
        EXPECT_EQ(StartInternetExplorer("https://example.test/a b"), 1);
        EXPECT_EQ(StartInternetExplorer("/no/such/file"), 0);
    }
    util_test::TempDir empty;
    {
        OpenerPath path(empty.path());
        EXPECT_EQ(StartInternetExplorer("https://example.test/"), 0);
    }
    EXPECT_EQ(capture.lines(), (std::vector<std::string>{
                                   "StartInternetExplorer: pUrl https://example.test/a b, return 42\n",
                                   "StartInternetExplorer: pUrl /no/such/file, return 2\n",
                                   "StartInternetExplorer: pUrl https://example.test/, return 0\n"}));
}

}  // namespace
