// StartInternetExplorer's POSIX result mapping, with this test binary standing
// in for xdg-open (a link named xdg-open in a directory that becomes PATH),
// also when the program ignores SIGCHLD; where Exec looks for a relative
// program; the one reaper of the children nobody waits for.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "log/debug_capture.h"
#include "support/child_posix.h"
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
    EXPECT_EQ(capture.lines(),
              (std::vector<std::string>{"StartInternetExplorer: pUrl https://example.test/a b, return 42\n",
                                        "StartInternetExplorer: pUrl /no/such/file, return 2\n",
                                        "StartInternetExplorer: pUrl https://example.test/, return 0\n"}));
}

namespace {

std::string selfAbsolute() { return std::filesystem::absolute(util_test::selfPath()).string(); }

int countEntries(const char* directory) {
    int count = 0;
    if (DIR* entries = opendir(directory)) {
        while (dirent* entry = readdir(entries)) {
            count += entry->d_name[0] != '.' ? 1 : 0;
        }
        closedir(entries);
    }
    return count;
}

// True once every child of this process has been collected: none runs, none
// stays a zombie (WNOWAIT looks without collecting).
bool allChildrenCollected() {
    siginfo_t info{};
    return waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == -1 && errno == ECHILD;
}

}  // namespace

// With SIGCHLD ignored the system reaps the opener itself: a started opener
// still counts as started, and the call returns.
TEST(StartInternetExplorerPosix, CountsAnOpenerReapedByTheSystemAsStarted) {
    util_test::TempDir directory;
    ASSERT_EQ(symlink(selfAbsolute().c_str(), directory.file("xdg-open").c_str()), 0);
    const std::string path = directory.path();
    EXPECT_EQ(0, util_test::runInChild([&path] {
                  signal(SIGCHLD, SIG_IGN);
                  setenv("PATH", path.c_str(), 1);
                  util::setDebugOutputSink([](const char*) {});
                  return StartInternetExplorer("https://example.test/") == 1 ? 0 : 1;
              }));
}

// "./tool" is the tool of the caller's current directory, not of the directory
// the child starts in.
TEST(ExecPosix, FindsARelativeProgramFromTheCallersDirectory) {
    util_test::TempDir caller, target;
    ASSERT_EQ(symlink(selfAbsolute().c_str(), caller.file("tool").c_str()), 0);
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(caller.path());
    util_test::DebugCapture capture;
    const int started = Exec("./tool --child-write out.txt 0", target.path().c_str(), 0, 1);
    std::filesystem::current_path(saved);
    EXPECT_EQ(1, started);
    EXPECT_EQ("child ran", util_test::readFile(target.file("out.txt")));
}

// Children nobody waits for share one collecting thread, and none stays a zombie.
TEST(ExecPosix, OneThreadCollectsTheChildrenNobodyWaitsFor) {
    const int kChildren = 12;
    util_test::TempDir directory;
    const int threadsBefore = countEntries("/proc/self/task");
    for (int n = 0; n < kChildren; ++n) {
        const std::string command = "\"" + selfAbsolute() + "\" --child-write c" + std::to_string(n) + " 400";
        ASSERT_EQ(1, Exec(command.c_str(), directory.path().c_str(), 0, 0));
    }
    EXPECT_LE(countEntries("/proc/self/task"), threadsBefore + 1);
    EXPECT_TRUE(util_test::eventually([&] { return countEntries(directory.path().c_str()) == kChildren; }));
    EXPECT_TRUE(util_test::eventually(allChildrenCollected));
}
