// StartInternetExplorer's POSIX result mapping, with this test binary standing
// in for xdg-open (a link named xdg-open in a directory that becomes PATH).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "log/debug_capture.h"
#include "support/test_support.h"
#include "system/process_launch.h"

TEST(StartInternetExplorerPosix, MapsTheOpenersOutcome) {
    util_test::TempDir directory, empty;
    ASSERT_EQ(symlink(std::filesystem::absolute(util_test::selfPath()).c_str(), directory.file("xdg-open").c_str()), 0);
    const char* path = std::getenv("PATH");
    const std::string saved = path != nullptr ? path : "";
    util_test::DebugCapture capture;
    setenv("PATH", directory.path().c_str(), 1);
    const int opened = StartInternetExplorer("https://example.test/a b");
    const int notFound = StartInternetExplorer("/no/such/file");
    setenv("PATH", empty.path().c_str(), 1);
    const int noOpener = StartInternetExplorer("https://example.test/");
    setenv("PATH", saved.c_str(), 1);
    EXPECT_EQ((std::vector<int>{1, 0, 0}), (std::vector<int>{opened, notFound, noOpener}));
    EXPECT_EQ(capture.lines(), (std::vector<std::string>{
                                   "StartInternetExplorer: pUrl https://example.test/a b, return 42\n",
                                   "StartInternetExplorer: pUrl /no/such/file, return 2\n",
                                   "StartInternetExplorer: pUrl https://example.test/, return 0\n"}));
}
