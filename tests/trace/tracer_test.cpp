// The tracer through the shared library, traced to a loopback listener standing in for
// the viewer, across threads, forks, started programs and lost or stalled X servers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"
#include "trace/function_call_tracer.h"
#include "trace/trace_harness.h"
#include "trace/viewer_script.h"

namespace {

using Lines = std::vector<std::string>;

// Each line with its line feed, the time stamp's shape checked and replaced by "TIME".
Lines withoutTimes(const std::string& text) {
    static const std::regex stamp("^(\\d+ thread-\\d+ )\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d ");
    std::istringstream in(text);
    Lines lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(std::regex_replace(in.eof() ? line : line + "\n", stamp, "$1TIME ",
                                           std::regex_constants::format_first_only));
    }
    return lines;
}

struct Ids {
    unsigned long pid = 0, tid = 0;
    void take() { *this = {util_test::processId(), util_test::threadId()}; }
    // "<pid> thread-<tid> TIME <level> <2*level spaces> " followed by the message.
    std::string line(int level, const std::string& message) const {
        return std::to_string(pid) + " thread-" + std::to_string(tid) + " TIME " + std::to_string(level) + " " +
               std::string(2 * level, ' ') + " " + message;
    }
};

// Runs body on count threads at once and waits for them.
void onThreads(std::size_t count, const std::function<void()>& body) {
    std::vector<std::thread> threads(count);
    for (std::thread& thread : threads) {
        thread = std::thread(body);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

// A listener standing in for the viewer, with a window of its title unless told
// otherwise; the settings trace to it. Every thread makes its record once, so each
// scenario runs (in collect) on a thread of its own.
struct Viewer {
    explicit Viewer(const char* title, bool withWindow = true) : listener(trace_test::listenOnLoopback(&viewer_port)) {
        trace_flag = trace_to_viewer = 1;
        std::snprintf(viewer_title, sizeof viewer_title, "%s", title);
        window.reset(withWindow ? new trace_test::TitledWindow(title) : nullptr);
    }
    ~Viewer() {
        trace_test::closeSocket(listener);
        trace_flag = trace_to_viewer = banner_flag = 0;
    }
    Lines run(const std::function<void()>& body, std::size_t lines = 0, bool close = false) {
        return trace_test::collect(listener, body, lines, close);
    }
    trace_test::Socket listener;
    std::unique_ptr<trace_test::TitledWindow> window;
};

// Runs first (gtest keeps the order of definition): nothing has changed the settings
// yet. Tracing off, a null name, trace_to_viewer other than 1, or a thread that first
// traced before the window existed: no connection, and silent objects stay safe.
TEST(Tracer, StaysSilentWithoutAViewerToTraceTo) {
    EXPECT_TRUE(trace_flag == 0 && trace_to_viewer == 0 && banner_flag == 0 && viewer_port == 8888 &&
                out_to_console == 1 && viewer_title[0] == '\0');
    Viewer viewer("Trace Viewer - silent", false);
    trace_flag = 0;
    const Lines received = viewer.run([&] {
        FunctionCallTracer off("off");
        EXPECT_EQ(nullptr, off.thread_record);
        off.PrintFunctionBanner(1);
        off.DebugOutputp("nothing %d\n", 1);
        // Nothing beyond the 255th character is kept, null changes nothing, a copy takes every field.
        off.SetReturnValue(std::string(300, 'r').c_str());
        off.SetReturnValue(nullptr);
        EXPECT_EQ(std::string(255, 'r'), off.return_value);
        FunctionCallTracer copy("copy");
        copy = off;
        EXPECT_EQ(off.function_name, copy.function_name);
        EXPECT_EQ(0, std::memcmp(off.return_value, copy.return_value, sizeof copy.return_value));
        trace_flag = 1;
        EXPECT_EQ(nullptr, FunctionCallTracer(nullptr).thread_record);
        { FunctionCallTracer early("beforeWindow"); }
        viewer.window.reset(new trace_test::TitledWindow(viewer_title));
        FunctionCallTracer late("afterWindow");
        ASSERT_NE(nullptr, late.thread_record);
        EXPECT_EQ(kTraceNoSocket, late.thread_record->sock);
        EXPECT_EQ(2, late.thread_record->depth) << "the record still counts levels";
    });
    EXPECT_TRUE(received.empty());
    trace_to_viewer = 2;
    EXPECT_TRUE(viewer.run([] { EXPECT_EQ(kTraceNoSocket, FunctionCallTracer("other").thread_record->sock); }).empty());
}

// One thread's lines, banners and own texts, indented by level. Texts past the
// 32,767-byte buffer are cut; one whose format ends a line keeps its line feed, one
// without does not, so the next text joins it. A second thread, and a child forked
// (POSIX) one level deep, trace from level 0, each on a connection of its own with
// its own ids. Programs the process starts do not inherit a connection (the viewer's
// listener, inheritable, shows the check works).
TEST(Tracer, SendsEachThreadsIndentedLinesOnAConnectionOfItsOwn) {
    Viewer viewer("Trace Viewer - lines");
    trace_flag = 5;  // any nonzero trace_flag turns tracing on
    EXPECT_TRUE(trace_test::startedProgramHolds(static_cast<std::uintptr_t>(viewer.listener)));
    const std::string longName(40000, 'n'), longText(40000, 't');
    Ids first, second, child;
    int status = 0;
    bool held = true;
    const Lines received = viewer.run(
        [&] {
            first.take();
            FunctionCallTracer outer("outer");
            held = trace_test::startedProgramHolds(outer.thread_record->sock);
            onThreads(1, [&] {
                second.take();
                FunctionCallTracer only("secondOnly");
            });
            status = trace_test::runInForkedChild([] { FunctionCallTracer call("childCall"); });
            {
                FunctionCallTracer middle("middle");
                {
                    FunctionCallTracer inner("inner");
                    EXPECT_EQ(outer.thread_record, inner.thread_record) << "one record per thread";
                    inner.SetReturnValue("");  // empty: the plain form
                }
                middle.SetReturnValue("42");
            }
            DbgFunctionBannerOn();
            outer.PrintFunctionBanner(1);
            outer.DebugOutputp("value %d\n", 7);
            DbgFunctionBannerOff();
            outer.PrintFunctionBanner(1);
            outer.DebugOutputp("%s\n", "plain");
            outer.PrintFunctionBanner(0);
            outer.DebugOutputp("bare\n");
            trace_to_viewer = 2;  // only 1 sends
            outer.PrintFunctionBanner(1);
            outer.DebugOutputp("dropped\n");
            trace_to_viewer = 1;
            { FunctionCallTracer(longName.c_str()).DebugOutputp("%s\n", longText.c_str()); }
            outer.DebugOutputp("%s", longText.c_str());
            outer.DebugOutputp("end\n");
        },
        util_test::isWindows() ? 15 : 17);
    ASSERT_EQ(util_test::isWindows() ? 2u : 3u, received.size()) << "fork status " << status;  // no fork on Windows
    EXPECT_EQ(
        Lines({first.line(0, "Entering outer\n"), first.line(1, "Entering middle\n"), first.line(2, "Entering inner\n"),
               first.line(2, "Leaving inner\n"), first.line(1, "Leaving middle, return 42\n"),
               first.line(1, "outer: value 7\n"), first.line(1, "| plain\n"), first.line(1, "bare\n"),
               first.line(1, "Entering " + std::string(32766 - 9, 'n') + "\n"), std::string(32766, 't') + "\n",
               first.line(1, "Leaving " + std::string(32766 - 8, 'n') + "\n"), std::string(32767, 't') + "end\n",
               first.line(0, "Leaving outer\n")}),
        withoutTimes(received[0]));
    EXPECT_EQ(Lines({second.line(0, "Entering secondOnly\n"), second.line(0, "Leaving secondOnly\n")}),
              withoutTimes(received[1]));
    EXPECT_TRUE(first.tid != second.tid && !held);
    if (!util_test::isWindows()) {
        ASSERT_EQ(2, std::sscanf(received[2].c_str(), "%lu thread-%lu", &child.pid, &child.tid));
        EXPECT_TRUE(status == 0 && child.pid != first.pid && child.pid == child.tid);
        EXPECT_EQ(Lines({child.line(0, "Entering childCall\n"), child.line(0, "Leaving childCall\n")}),
                  withoutTimes(received[2]));
    }
}

// A churning thread pool: each thread's connection ends with the thread. Children
// forked meanwhile, while threads make records (window look-up, socket), never start
// with one of the tracer's locks held by a thread they do not have. The viewer closes
// every connection at once: writes to it must not end the process (SIGPIPE).
TEST(Tracer, EndedThreadsCloseTheirConnectionsForksInheritNoHeldLockClosedViewersHurtNot) {
    Viewer viewer("Trace Viewer - churn");
    const long before = trace_test::openHandleCount();
    std::vector<int> statuses;
    const auto body = [&] {
        for (int index = 0; index < 20; ++index) {
            FunctionCallTracer("afterClose").DebugOutputp("line %d\n", index);
        }
        std::atomic<bool> forked{false};
        std::thread churn([&] {
            for (int batch = 0; batch < 30 || !forked; ++batch) {
                onThreads(10, [] { FunctionCallTracer trace("shortLived"); });
            }
        });
        for (int child = 0; child < 20 && (statuses.empty() || statuses.back() == 0); ++child) {
            statuses.push_back(trace_test::runInForkedChild([] { FunctionCallTracer trace("child"); }));
        }
        forked = true;
        churn.join();
    };
    EXPECT_FALSE(viewer.run(body, 0, true).empty());
    // Windows counts every handle of the process; allow for a few the system keeps.
    EXPECT_LE(trace_test::openHandleCount(), before + (util_test::isWindows() ? 10 : 0));
    if (!util_test::isWindows()) {  // no fork there; -1: a child hung
        EXPECT_EQ(std::vector<int>(20, 0), statuses);
    }
}

// Each new thread's first tracer looks the viewer window up on the X server. That
// server going away in the middle of look-ups must not end the process; one that
// cannot be reached (its connect stalls) costs one bounded wait, shared by the
// threads that start meanwhile, and is then remembered.
TEST(Tracer, XServerKilledOrUnreachableNeitherEndsNorStallsTheProcess) {
    const std::string killed = trace_test::startDisposableDisplay(), stalled = trace_test::stalledDisplay();
    if (killed.empty() || stalled.empty()) {
        GTEST_SKIP() << "no X server of its own here (Windows looks windows up without one)";
    }
    Viewer viewer("Trace Viewer - nowhere", false);  // no window has it: each look-up walks all 300
    const std::string display = std::getenv("DISPLAY");
    util_test::setEnvironment("DISPLAY", killed.c_str());
    std::atomic<bool> stop{false};
    std::atomic<int> lookUps{0};
    std::thread lookUpLoop([&] {
        while (!stop) {
            onThreads(1, [&] {
                FunctionCallTracer trace("lookUp");
                ++lookUps;
            });
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int beforeKill = lookUps;
    trace_test::killDisposableDisplay();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stop = true;
    lookUpLoop.join();
    EXPECT_GT(beforeKill, 0);
    EXPECT_GT(lookUps, beforeKill) << "threads went on tracing after the server went away";

    util_test::setEnvironment("DISPLAY", stalled.c_str());
    const auto firstTracers = [](std::size_t count) {
        const auto start = std::chrono::steady_clock::now();
        onThreads(count, [] { FunctionCallTracer trace("firstOnThread"); });
        return std::chrono::steady_clock::now() - start;
    };
    EXPECT_LT(firstTracers(8), std::chrono::milliseconds(1500)) << "8 threads starting together";
    EXPECT_LT(firstTracers(4), std::chrono::milliseconds(300)) << "4 threads after the display was found unreachable";
    util_test::setEnvironment("DISPLAY", display.c_str());
}

// The library carries viewer.tcl byte for byte (util.dll also as a text resource).
TEST(ViewerScript, IsTheViewerFileWithItsTerminator) {
    const std::string file = util_test::readFile(VIEWER_TCL_PATH);
    ASSERT_FALSE(file.empty()) << VIEWER_TCL_PATH;
    EXPECT_EQ(file, std::string(viewer_script, std::strlen(viewer_script)));
    EXPECT_EQ(viewer_script, viewer_script_pointer);
    EXPECT_EQ(std::string(viewer_script), trace_test::resourceViewerScript());
}

}  // namespace

// Winsock on Windows, a private X server on POSIX, so that windows exist where the tracer looks.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!trace_test::startNetworkAndDisplay()) {
        std::fprintf(stderr, "test_trace: no network layer or no X server (Xvfb)\n");
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    trace_test::stopDisplay();
    return result;
}
