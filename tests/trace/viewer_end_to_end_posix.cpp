// The real viewer (wish running the carried script, started by utilctl viewer)
// under a private Xvfb receives the lines of utilctl trace-demo from two
// threads, shows them in two windows, ignores another process's line, and
// Save writes the two files with the exact lines. A screenshot of the screen is
// kept in TRACE_ARTIFACT_DIR.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"
#include "trace/trace_harness.h"

namespace {

namespace x11 = trace_test::x11;

using util_test::eventually;

// Waits until `count` windows titled prefix exist and are mapped, and gives them
// in *windows. Tk titles a top-level window before it sizes, places and maps it:
// one seen by its title alone may still be 1x1 at 0,0, and one moved then is put
// back where Tk wants it when Tk maps it.
bool shown(const std::string& prefix, std::size_t count, std::vector<unsigned long>* windows,
           std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    return eventually([&] {
        *windows = x11::windowsTitled(prefix);
        return windows->size() == count && std::all_of(windows->begin(), windows->end(), x11::isViewable);
    }, limit);
}

// A viewer started by popen with "echo $$; exec ...", its pid read first. Exit is
// clicked until the process ends, within a bound; a viewer still there then (or
// when a test ends early) is told to end, then killed, so that no test waits on it.
struct Viewer {
    explicit Viewer(const std::string& command) : pipe(popen(("echo $$; " + command).c_str(), "r")) {
        if (pipe != nullptr && std::fscanf(pipe, "%d", &pid) != 1) {
            pid = 0;
        }
    }
    ~Viewer() {
        if (pid > 0 && !ended) {
            kill(pid, SIGTERM);
            if (!eventually([&] { return waitpid(pid, nullptr, WNOHANG) == pid; }, std::chrono::seconds(5))) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
            }
        }
        if (pipe != nullptr) {
            pclose(pipe);  // the process is reaped already
        }
    }
    // Clicks at (x, y) until the process ends; false when it is still there after the limit.
    bool clickUntilEnded(int x, int y) {
        return eventually([&] {
            x11::clickAt(x, y);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            return (ended = waitpid(pid, &status, WNOHANG) == pid);
        }, std::chrono::seconds(10));
    }
    FILE* pipe;
    int pid = 0;
    int status = -1;
    bool ended = false;
};

// A saved file of one thread, with its time stamps replaced by "TIME".
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
    util_test::TempDir directory;  // the viewer's, where Save writes
    util_test::TempDir demoDirectory;
    unsigned short port = 0;
    trace_test::closeSocket(trace_test::listenOnLoopback(&port));  // a free port for the viewer
    ASSERT_NE(0, port);
    const std::string portText = std::to_string(port);

    // The demo prints its pid, traces when a line arrives on its input, then reports.
    const std::string demoOutput = demoDirectory.file("demo.out");
    FILE* demo = popen(("exec '" UTILCTL_PATH "' trace-demo --port " + portText + " --threads 2 --wait >'" +
                        demoOutput + "'").c_str(), "w");
    ASSERT_NE(nullptr, demo);
    std::string output;
    ASSERT_TRUE(eventually([&] { return (output = util_test::readFile(demoOutput)).find('\n') != std::string::npos; }));
    ASSERT_EQ(0u, output.rfind("pid ", 0)) << output;
    const std::string pid = output.substr(4, output.find('\n') - 4);

    Viewer viewer("cd '" + directory.path() + "' && exec '" UTILCTL_PATH "' viewer utilctl " + pid + " " + portText);
    ASSERT_GT(viewer.pid, 0);
    std::vector<unsigned long> mains;
    ASSERT_TRUE(shown("Trace Viewer - utilctl", 1, &mains));
    EXPECT_EQ("Trace Viewer - utilctl", x11::titleOf(mains[0]));
    const x11::Geometry main = x11::geometryOf(mains[0]);
    ASSERT_GT(main.width, 1);
    const auto clickSave = [&] {
        x11::raiseWindow(mains[0]);
        x11::clickAt(main.x + main.width / 2, main.y + main.height - 6);
    };

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

    ASSERT_EQ('\n', std::fputc('\n', demo));
    EXPECT_EQ(0, pclose(demo)) << "the demo's exit status";
    EXPECT_EQ(output + "traced 2 threads to port " + portText + "\n", util_test::readFile(demoOutput));

    std::vector<unsigned long> threads;
    EXPECT_TRUE(shown("process-" + pid + "-thread-", 2, &threads));
    EXPECT_TRUE(x11::windowsTitled("process-" + otherPid).empty());

    // Side by side below the main window, which stays on top for the clicks and the screenshot.
    for (std::size_t index = 0; index < threads.size(); ++index) {
        x11::moveWindow(threads[index], static_cast<int>(index) * 850, 90);
    }
    x11::raiseWindow(mains[0]);

    // Save (the middle button) until both windows have all their lines on file.
    std::vector<std::string> saved;
    EXPECT_TRUE(eventually([&] {
        clickSave();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        saved.clear();
        for (unsigned long window : threads) {
            saved.push_back(util_test::readFile(directory.file("utilctl." + x11::titleOf(window) + ".log")));
        }
        return saved.size() == 2 && saved[0].find("Leaving demoOuter") != std::string::npos &&
               saved[1].find("Leaving demoOuter") != std::string::npos;
    }));
    ASSERT_EQ(2u, saved.size());
    static const std::regex stamp("(^|\n)\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d ");
    const std::string first = std::regex_replace(saved[0], stamp, "$1TIME ");
    const std::string second = std::regex_replace(saved[1], stamp, "$1TIME ");
    EXPECT_TRUE((first == expectedFile(1) && second == expectedFile(2)) ||
                (first == expectedFile(2) && second == expectedFile(1)))
        << first << "----\n" << second;

    mkdir(TRACE_ARTIFACT_DIR, 0777);
    EXPECT_EQ(0, std::system("timeout 20 import -window root '" TRACE_ARTIFACT_DIR "/trace_viewer.png'"));

    // Exit (the right-hand button) ends wish, and utilctl viewer reports success.
    x11::raiseWindow(mains[0]);
    ASSERT_TRUE(viewer.clickUntilEnded(main.x + main.width * 5 / 6, main.y + main.height - 6))
        << "Exit did not end the viewer";
    EXPECT_EQ(0, viewer.status) << "utilctl viewer's exit status";
}

// wish running the script itself: a client that sends half a line and stays
// silent holds up neither another client's lines nor the Exit button, and its
// line, once finished, reads as one.
TEST(ViewerEndToEnd, HalfLineClientHoldsUpNothing) {
    unsigned short port = 0;
    trace_test::closeSocket(trace_test::listenOnLoopback(&port));
    ASSERT_NE(0, port);
    Viewer viewer("exec wish '" VIEWER_TCL_PATH "' halfline 4242 " + std::to_string(port) + " 2>/dev/null");
    ASSERT_GT(viewer.pid, 0);
    std::vector<unsigned long> mains;
    ASSERT_TRUE(shown("Trace Viewer - halfline", 1, &mains));
    const x11::Geometry main = x11::geometryOf(mains[0]);

    trace_test::Socket silent = trace_test::kNoSocket, normal = trace_test::kNoSocket;
    ASSERT_TRUE(eventually([&] { return (silent = trace_test::connectToLoopback(port)) != trace_test::kNoSocket; }));
    ASSERT_TRUE(trace_test::sendAll(silent, "4242 thread-1 00:00:00.000 0  Entering hal"));
    normal = trace_test::connectToLoopback(port);
    ASSERT_TRUE(trace_test::sendAll(normal, "4242 thread-2 00:00:00.000 0  Entering whole\n"));
    std::vector<unsigned long> threads;
    EXPECT_TRUE(shown("process-4242-thread-2", 1, &threads, std::chrono::seconds(5)))
        << "the other client's line is held up";
    EXPECT_TRUE(x11::windowsTitled("process-4242-thread-1").empty()) << "half a line was shown";
    ASSERT_TRUE(trace_test::sendAll(silent, "fline\n"));
    EXPECT_TRUE(shown("process-4242-thread-1", 1, &threads, std::chrono::seconds(5)));

    trace_test::closeSocket(silent);
    trace_test::closeSocket(normal);

    // Exit (the right-hand button) still answers, once the thread windows are out of its way.
    for (unsigned long window : x11::windowsTitled("process-4242-thread-")) {
        x11::moveWindow(window, 400, 300);
    }
    x11::raiseWindow(mains[0]);
    EXPECT_TRUE(viewer.clickUntilEnded(main.x + main.width * 5 / 6, main.y + main.height - 6));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!trace_test::startNetworkAndDisplay(1700, 800)) {
        std::fprintf(stderr, "test_trace_viewer: Xvfb did not start\n");
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    trace_test::stopDisplay();
    return result;
}
