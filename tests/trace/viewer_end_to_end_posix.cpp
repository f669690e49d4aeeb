// The real viewer (wish running the carried script, started by utilctl viewer)
// under a private Xvfb receives the lines of utilctl trace-demo from two
// threads, shows them in two windows, ignores another process's line, and
// Save writes the two files with the exact lines. A screenshot of the screen is
// kept in TRACE_ARTIFACT_DIR.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"
#include "trace/trace_test_platform.h"
#include "trace/x11_test_support.h"

extern char** environ;

namespace {

namespace x11 = trace_test::x11;

// A child process with optional pipes to its standard input and output.
struct Child {
    pid_t pid = 0;
    int input = -1;
    int output = -1;
};

Child spawn(const std::vector<std::string>& arguments, const std::string& directory, bool pipes) {
    Child child;
    int toChild[2] = {-1, -1};
    int fromChild[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (pipes && pipe(toChild) == 0 && pipe(fromChild) == 0) {
        posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
        posix_spawn_file_actions_addclose(&actions, toChild[1]);
        posix_spawn_file_actions_addclose(&actions, fromChild[0]);
    }
    if (!directory.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    if (posix_spawnp(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        child.pid = 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    if (pipes) {
        close(toChild[0]);
        close(fromChild[1]);
        child.input = toChild[1];
        child.output = fromChild[0];
    }
    return child;
}

std::string readLine(int descriptor) {
    std::string text;
    char c = 0;
    while (read(descriptor, &c, 1) == 1 && c != '\n') {
        text += c;
    }
    return text;
}

// The exit status, or -1 when the child did not end in time (it is then killed).
int waitForExit(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

bool eventually(const std::function<bool()>& condition) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// A saved file with its time stamps replaced by "TIME".
std::string withoutTimes(const std::string& text) {
    static const std::regex stamp("(^|\n)\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d ");
    return std::regex_replace(text, stamp, "$1TIME ");
}

std::string expectedFile(int thread) {
    return "TIME 0  Entering demoOuter\n"
           "TIME 1    Entering demoMiddle\n"
           "TIME 2      Entering demoLeaf\n"
           "TIME 3        demoLeaf: thread " + std::to_string(thread) + " working\n"
           "TIME 2      Leaving demoLeaf, return done\n"
           "TIME 1    Leaving demoMiddle\n"
           "TIME 0  Leaving demoOuter\n"
           "\n";
}

TEST(ViewerEndToEnd, ShowsTwoThreadsIgnoresOtherProcessesAndSaves) {
    util_test::TempDir directory;
    unsigned short port = 0;
    trace_test::closeSocket(trace_test::listenOnLoopback(&port));  // a free port for the viewer
    ASSERT_NE(0, port);
    const std::string portText = std::to_string(port);

    Child demo = spawn({UTILCTL_PATH, "trace-demo", "--port", portText, "--threads", "2", "--wait"}, "", true);
    ASSERT_NE(0, demo.pid);
    const std::string pidLine = readLine(demo.output);
    ASSERT_EQ(0u, pidLine.rfind("pid ", 0)) << pidLine;
    const std::string pid = pidLine.substr(4);

    Child viewer = spawn({UTILCTL_PATH, "viewer", "utilctl", pid, portText}, directory.path(), false);
    ASSERT_NE(0, viewer.pid);
    std::vector<unsigned long> mains;
    ASSERT_TRUE(eventually([&] { return (mains = x11::windowsTitled("Trace Viewer - utilctl")).size() == 1; }));
    EXPECT_EQ("Trace Viewer - utilctl", x11::titleOf(mains[0]));
    const x11::Geometry main = x11::geometryOf(mains[0]);
    ASSERT_GT(main.width, 0);
    const auto clickSave = [&] { x11::clickAt(main.x + main.width / 2, main.y + main.height - 6); };

    // Save with no thread window writes nothing.
    clickSave();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(std::filesystem::is_empty(directory.path()));

    // A line of another process reaches the viewer first and must be dropped.
    trace_test::Socket other = trace_test::kNoSocket;
    ASSERT_TRUE(eventually([&] { return (other = trace_test::connectToLoopback(port)) != trace_test::kNoSocket; }));
    const std::string otherPid = std::to_string(std::stoul(pid) + 1);
    EXPECT_TRUE(trace_test::sendAll(other, otherPid + " thread-7 00:00:00.000 0  Entering elsewhere\n"));
    trace_test::closeSocket(other);

    ASSERT_EQ(1, write(demo.input, "\n", 1));
    close(demo.input);
    EXPECT_EQ("traced 2 threads to port " + portText, readLine(demo.output));
    close(demo.output);
    EXPECT_EQ(0, waitForExit(demo.pid, std::chrono::seconds(20)));

    const std::string windowPrefix = "process-" + pid + "-thread-";
    std::vector<unsigned long> threads;
    EXPECT_TRUE(eventually([&] { return (threads = x11::windowsTitled(windowPrefix)).size() == 2; }));
    EXPECT_TRUE(x11::windowsTitled("process-" + otherPid).empty());

    // Side by side below the main window for the screenshot.
    for (std::size_t index = 0; index < threads.size(); ++index) {
        x11::moveWindow(threads[index], static_cast<int>(index) * 850, 90);
    }
    x11::raiseWindow(mains[0]);

    // Save (the middle button) until both windows have all their lines on file.
    std::vector<std::string> saved;
    const auto savedFiles = [&] {
        saved.clear();
        for (unsigned long window : threads) {
            saved.push_back(util_test::readFile(directory.file("utilctl." + x11::titleOf(window) + ".log")));
        }
        return saved.size() == 2 && saved[0].size() > 200 && saved[1].size() > 200 &&
               saved[0].find("Leaving demoOuter") != std::string::npos &&
               saved[1].find("Leaving demoOuter") != std::string::npos;
    };
    EXPECT_TRUE(eventually([&] {
        clickSave();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return savedFiles();
    }));
    ASSERT_EQ(2u, saved.size());
    const std::string first = withoutTimes(saved[0]);
    const std::string second = withoutTimes(saved[1]);
    EXPECT_TRUE((first == expectedFile(1) && second == expectedFile(2)) ||
                (first == expectedFile(2) && second == expectedFile(1)))
        << first << "----\n" << second;

    mkdir(TRACE_ARTIFACT_DIR, 0777);
    Child screenshot =
        spawn({"import", "-window", "root", std::string(TRACE_ARTIFACT_DIR) + "/trace_viewer.png"}, "", false);
    EXPECT_EQ(0, waitForExit(screenshot.pid, std::chrono::seconds(20)));

    // Exit (the right-hand button) ends wish, and utilctl viewer reports success.
    x11::clickAt(main.x + main.width * 5 / 6, main.y + main.height - 6);
    EXPECT_EQ(0, waitForExit(viewer.pid, std::chrono::seconds(10)));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!x11::startServer(1700, 800)) {
        std::fprintf(stderr, "test_trace_viewer: Xvfb did not start\n");
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    x11::stopServer();
    return result;
}
