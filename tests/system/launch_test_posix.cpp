// POSIX: StartInternetExplorer's mapping of the opener's outcome; Exec's reaper
// of the children nobody waits for, and where it looks for a relative program.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "log/debug_capture.h"
#include "support/child_posix.h"
#include "support/test_support.h"
#include "system/process_launch.h"

namespace {

std::string selfAbsolute() { return std::filesystem::absolute(util_test::selfPath()).string(); }

long countEntries(const std::string& directory) {
    return std::distance(std::filesystem::directory_iterator(directory), std::filesystem::directory_iterator());
}

// True once no child of this process runs or stays a zombie (WNOWAIT looks without collecting).
bool allChildrenCollected() {
    siginfo_t info{};
    return waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == -1 && errno == ECHILD;
}

}  // namespace

// This binary stands in for xdg-open (a link in a directory that becomes PATH).
// With SIGCHLD ignored (in a child process) the system reaps the opener itself:
// a started opener still counts as started, and the call returns.
TEST(StartInternetExplorerPosix, MapsTheOpenersOutcome) {
    util_test::TempDir directory, empty;
    ASSERT_EQ(symlink(selfAbsolute().c_str(), directory.file("xdg-open").c_str()), 0);
    const std::string saved = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    util_test::DebugCapture capture;
    setenv("PATH", directory.path().c_str(), 1);
    const int opened = StartInternetExplorer("https://example.test/a b");
    const int notFound = StartInternetExplorer("/no/such/file");
    const int reapedBySystem = util_test::runInChild([] {
        signal(SIGCHLD, SIG_IGN);
        util::setDebugOutputSink([](const char*) {});
        return StartInternetExplorer("https://example.test/") == 1 ? 0 : 1;
    });
    setenv("PATH", empty.path().c_str(), 1);
    const int noOpener = StartInternetExplorer("https://example.test/");
    setenv("PATH", saved.c_str(), 1);
    EXPECT_EQ((std::vector<int>{1, 0, 0, 0}), (std::vector<int>{opened, notFound, reapedBySystem, noOpener}));
    EXPECT_EQ(capture.lines(),
              (std::vector<std::string>{"StartInternetExplorer: pUrl https://example.test/a b, return 42\n",
                                        "StartInternetExplorer: pUrl /no/such/file, return 2\n",
                                        "StartInternetExplorer: pUrl https://example.test/, return 0\n"}));
}

// Children nobody waits for share one collecting thread, and none stays a zombie
// (64 at once grow its list from 8 three times). "./tool" is the tool of the
// caller's current directory, not of the directory the child starts in.
TEST(ExecPosix, OneThreadCollectsTheChildrenNobodyWaitsFor) {
    const int kChildren = 64;
    util_test::TempDir caller, target;
    ASSERT_EQ(symlink(selfAbsolute().c_str(), caller.file("tool").c_str()), 0);
    const long threadsBefore = countEntries("/proc/self/task");
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(caller.path());
    int started = 0;
    for (int n = 0; n < kChildren; ++n) {
        started += Exec(("./tool --child c" + std::to_string(n) + " 1000").c_str(), target.path().c_str(), 0, 0);
    }
    std::filesystem::current_path(saved);
    EXPECT_EQ(started, kChildren);
    EXPECT_LE(countEntries("/proc/self/task"), threadsBefore + 1);
    // A forked child does not inherit the reaper's descriptors of these children.
    EXPECT_EQ(0, util_test::runInChild([] {
                  return static_cast<int>(
                      std::count_if(std::filesystem::directory_iterator("/proc/self/fd"), {}, [](const auto& entry) {
                          return std::filesystem::read_symlink(entry.path()) == "anon_inode:[pidfd]";
                      }));
              }));
    EXPECT_TRUE(util_test::eventually([&] { return countEntries(target.path()) == kChildren; }));
    EXPECT_TRUE(util_test::eventually(allChildrenCollected));
}
