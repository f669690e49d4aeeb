// The tracer through the library to a loopback listener for a viewer: threads, forks, started programs, X servers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"
#include "trace/function_call_tracer.h"
#include "trace/trace_harness.h"
#include "trace/viewer_script.h"

namespace {

// A connection's text without its lines' prefixes "<pid> thread-<tid> HH:MM:SS.mmm ", whose ids go to ids.
std::string withoutPrefixes(const std::string& text, unsigned long (&ids)[2]) {
    std::sscanf(text.c_str(), "%lu thread-%lu", &ids[0], &ids[1]);
    const std::regex prefix("(^|\n)" + std::to_string(ids[0]) + " thread-" + std::to_string(ids[1]) +
                            " \\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d ");
    return std::regex_replace(text, prefix, "$1");
}

// Runs body on count threads at once and waits for them.
void onThreads(std::size_t count, const std::function<void()>& body) {
    std::vector<std::thread> threads(count);
    for (std::thread& thread : threads) thread = std::thread(body);
    for (std::thread& thread : threads) thread.join();
}

// The settings trace to a viewer of this title (collect listens at viewer_port) until the test ends.
struct Viewer {
    explicit Viewer(const char* title) {
        trace_flag = trace_to_viewer = 1;
        std::snprintf(viewer_title, sizeof viewer_title, "%s", title);
    }
    ~Viewer() { trace_flag = trace_to_viewer = banner_flag = 0; }
};

// Lines, banners, cut texts; each thread and forked child on a connection of its own, from level 0, with its own ids.
TEST(Tracer, SendsEachThreadsIndentedLinesOnAConnectionOfItsOwn) {
    // Runs first (gtest keeps the order of definition): nothing has changed the settings yet.
    EXPECT_TRUE(trace_flag == 0 && trace_to_viewer == 0 && banner_flag == 0 && viewer_port == 8888 &&
                out_to_console == 1 && viewer_title[0] == '\0');
    Viewer viewer("Trace Viewer - lines");
    const std::string longText(40000, 't');
    unsigned long first[2] = {}, second[2] = {}, child[2] = {};
    int status = 0;
    bool held = true;
    const std::vector<std::string> received = trace_test::collect(&viewer_port, false, [&] {
        { FunctionCallTracer early("beforeWindow"); }         // no window yet: this thread never connects
        const trace_test::TitledWindow window(viewer_title);  // Windows: lives as long as its thread
        FunctionCallTracer late("afterWindow");
        EXPECT_EQ(kTraceNoSocket, late.thread_record->sock);
        EXPECT_EQ(nullptr, FunctionCallTracer(nullptr).thread_record);
        std::thread([&] {
            trace_flag = 0;  // silent for life: no record, and its calls do nothing
            FunctionCallTracer off("off");
            trace_flag = 5;  // any nonzero trace_flag turns tracing on
            FunctionCallTracer outer("outer");
            held = trace_test::startedProgramHolds(outer.thread_record->sock);
            std::thread([] { FunctionCallTracer only("secondOnly"); }).join();
            status = trace_test::runInForkedChild([] { FunctionCallTracer call("childCall"); });
            {
                FunctionCallTracer middle("middle");
                { FunctionCallTracer inner("inner"); }
                middle.SetReturnValue(std::string(300, 'r').c_str());  // the first 255 characters are kept
                middle.SetReturnValue(nullptr);
            }
            DbgFunctionBannerOn();
            outer.PrintFunctionBanner(1);
            outer.DebugOutputp("value %d\n", 7);
            DbgFunctionBannerOff();
            outer.PrintFunctionBanner(1);
            outer.DebugOutputp("%s\n", "plain");
            outer.PrintFunctionBanner(0);
            outer.DebugOutputp("bare\n");
            off.PrintFunctionBanner(1);
            off.DebugOutputp("nothing\n");
            trace_to_viewer = 2;  // only 1 connects or sends
            std::thread([] { FunctionCallTracer("unconnected"); }).join();
            outer.PrintFunctionBanner(1);
            outer.DebugOutputp("dropped\n");
            trace_to_viewer = 1;
            outer.DebugOutputp("%s\n", longText.c_str());
            outer.DebugOutputp("%s", longText.c_str());
            outer.DebugOutputp("end\n");
        }).join();
    });
    ASSERT_EQ(util_test::isWindows() ? 2u : 3u, received.size()) << "fork status " << status;  // no fork on Windows
    EXPECT_EQ(
        "0  Entering outer\n1    Entering middle\n2      Entering inner\n2      Leaving inner\n"
        "1    Leaving middle, return " +
            std::string(255, 'r') + "\n1    outer: value 7\n1    | plain\n1    bare\n" + std::string(32766, 't') +
            "\n" + std::string(32767, 't') + "end\n0  Leaving outer\n",
        withoutPrefixes(received[0], first));
    EXPECT_EQ("0  Entering secondOnly\n0  Leaving secondOnly\n", withoutPrefixes(received[1], second));
    EXPECT_TRUE(first[0] == util_test::processId() && second[0] == first[0] && second[1] != first[1] && !held);
    if (!util_test::isWindows()) {
        EXPECT_EQ("0  Entering childCall\n0  Leaving childCall\n", withoutPrefixes(received[2], child));
        EXPECT_TRUE(status == 0 && child[0] != first[0] && child[0] == child[1]);
    }
}

// Connections end with their threads; children forked amid record making hold no lock; a closed viewer: no SIGPIPE.
TEST(Tracer, EndedThreadsCloseTheirConnectionsForksInheritNoHeldLockClosedViewersHurtNot) {
    Viewer viewer("Trace Viewer - churn");
    const long before = trace_test::openHandleCount();
    int failed = 0;  // the first child that did not end well: -1 hung
    const auto body = [&] {
        const trace_test::TitledWindow window(viewer_title);
        for (int index = 0; index < 20; ++index) FunctionCallTracer("afterClose").DebugOutputp("line %d\n", index);
        std::atomic<bool> forked{false};
        std::thread churn([&] {
            for (int batch = 0; batch < 30 || !forked; ++batch) onThreads(10, [] { FunctionCallTracer("pooled"); });
        });
        for (int child = 0; child < 20 && failed == 0; ++child) {
            failed = trace_test::runInForkedChild([] { FunctionCallTracer trace("child"); });
        }
        forked = true;
        churn.join();
    };
    EXPECT_FALSE(trace_test::collect(&viewer_port, true, body).empty());
    // Windows counts every handle of the process; allow for a few the system keeps.
    EXPECT_LE(trace_test::openHandleCount(), before + (util_test::isWindows() ? 10 : 0));
    EXPECT_EQ(util_test::isWindows() ? -1 : 0, failed);  // Windows has no fork
}

// A server killed amid look-ups ends nothing; an unreachable one costs one shared, bounded wait. Kills the display.
TEST(Tracer, XServerKilledOrUnreachableNeitherEndsNorStallsTheProcess) {
    const std::string stalled = trace_test::stalledDisplay();
    if (stalled.empty()) GTEST_SKIP() << "no X server of its own here (Windows looks windows up without one)";
    Viewer viewer("Trace Viewer - nowhere");
    const std::vector<std::string> received = trace_test::collect(&viewer_port, false, [&] {
        trace_test::addWindows(300, "Trace Viewer - NOWHERE");  // as long as the title, not it: each look-up walks all
        std::thread killer([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            trace_test::killDisplay();
        });
        const auto start = std::chrono::steady_clock::now();
        while (util_test::millisecondsSince(start) < 600) onThreads(1, [] { FunctionCallTracer trace("lookUp"); });
        killer.join();
        util_test::setEnvironment("DISPLAY", stalled.c_str());
        // 8 threads starting together share one bounded wait; 4 after the display was found unreachable wait for none.
        for (const int threads : {8, 4}) {
            const auto begin = std::chrono::steady_clock::now();
            onThreads(threads, [] { FunctionCallTracer trace("firstOnThread"); });
            EXPECT_LT(util_test::millisecondsSince(begin), threads == 8 ? 1500 : 300) << threads << " threads";
        }
    });
    EXPECT_TRUE(received.empty()) << "no window has the title: nothing connects";
}

// The library carries viewer.tcl byte for byte (util.dll also as a text resource).
TEST(ViewerScript, IsTheViewerFileWithItsTerminator) {
    EXPECT_EQ(util_test::readFile(VIEWER_TCL_PATH), std::string(viewer_script, std::strlen(viewer_script)));
    EXPECT_EQ(viewer_script, viewer_script_pointer);
    EXPECT_EQ(std::string(viewer_script), trace_test::resourceViewerScript());
}

// Winsock on Windows, a private X server on POSIX, so that windows exist where the tracer looks.
struct NetworkAndDisplay : ::testing::Environment {
    void SetUp() override { ASSERT_TRUE(trace_test::startNetworkAndDisplay()) << "no network layer or no Xvfb"; }
    void TearDown() override { trace_test::stopDisplay(); }
};
::testing::Environment* const networkAndDisplay = ::testing::AddGlobalTestEnvironment(new NetworkAndDisplay);

}  // namespace
