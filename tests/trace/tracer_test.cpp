// The tracer through the shared library: silence with the initial settings,
// the exact lines over a loopback connection when a window of the viewer's
// title exists, and the limits of its buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "trace/function_call_tracer.h"
#include "trace/loopback_listener.h"
#include "trace/trace_test_platform.h"

namespace {

using trace_test::LoopbackListener;
using trace_test::TitledWindow;

// Every thread makes its record once, so each scenario runs on a thread of its own.
void onFreshThread(const std::function<void()>& body) { std::thread(body).join(); }

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start + 1));
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));  // an unterminated rest shows up as such
    }
    return lines;
}

// The time stamp varies: check its shape and replace it by "TIME".
std::vector<std::string> withoutTimes(const std::string& text) {
    static const std::regex stamp("^(\\d+ thread-\\d+ )\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d ");
    std::vector<std::string> lines = splitLines(text);
    for (std::string& line : lines) {
        line = std::regex_replace(line, stamp, "$1TIME ", std::regex_constants::format_first_only);
    }
    return lines;
}

struct Ids {
    unsigned long pid = 0;
    unsigned long tid = 0;
};

// "<pid> thread-<tid> TIME <level> <2*level spaces> " followed by the message.
std::string line(const Ids& ids, int level, const std::string& message) {
    return std::to_string(ids.pid) + " thread-" + std::to_string(ids.tid) + " TIME " + std::to_string(level) +
           " " + std::string(2 * level, ' ') + " " + message;
}

class TracerTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_flag_ = trace_flag;
        saved_to_viewer_ = trace_to_viewer;
        saved_port_ = viewer_port;
        saved_banner_ = banner_flag;
        std::memcpy(saved_title_, viewer_title, sizeof saved_title_);
    }
    void TearDown() override {
        trace_flag = saved_flag_;
        trace_to_viewer = saved_to_viewer_;
        viewer_port = saved_port_;
        banner_flag = saved_banner_;
        std::memcpy(viewer_title, saved_title_, sizeof saved_title_);
    }
    // Tracing on, to the listener, looking for a window with this test's title.
    void traceTo(const LoopbackListener& listener, const char* title) {
        trace_flag = 1;
        trace_to_viewer = 1;
        viewer_port = listener.port();
        std::snprintf(viewer_title, sizeof viewer_title, "%s", title);
    }

private:
    int saved_flag_ = 0;
    int saved_to_viewer_ = 0;
    unsigned short saved_port_ = 0;
    int saved_banner_ = 0;
    char saved_title_[sizeof viewer_title] = {};
};

// Runs first (gtest keeps the order of definition): nothing has changed the settings yet.
TEST_F(TracerTest, StartsSilentAndStoresReturnTexts) {
    EXPECT_EQ(0, trace_flag);
    EXPECT_EQ(0, trace_to_viewer);
    EXPECT_STREQ("", viewer_title);
    EXPECT_EQ(8888, viewer_port);
    EXPECT_EQ(0, banner_flag);
    EXPECT_EQ(1, out_to_console);

    LoopbackListener listener;
    viewer_port = listener.port();
    std::snprintf(viewer_title, sizeof viewer_title, "%s", "Trace Viewer - silent");
    TitledWindow window(viewer_title);
    ASSERT_TRUE(window.shown());
    onFreshThread([] {
        FunctionCallTracer trace("quiet");
        EXPECT_EQ(nullptr, trace.thread_record);
        EXPECT_STREQ("quiet", trace.function_name);
        EXPECT_STREQ("", trace.return_value);
        trace.SetReturnValue("stored anyway");
        EXPECT_STREQ("stored anyway", trace.return_value);
        trace.PrintFunctionBanner(1);
        trace.DebugOutputp("nothing %d\n", 1);
    });
    EXPECT_TRUE(listener.settle().empty()) << "no connection with the initial settings";
}

TEST_F(TracerTest, SwitchesSetTheirSettings) {
    DbgOutToDebugger();
    EXPECT_EQ(0, out_to_console);
    DbgOutToConsole();
    EXPECT_EQ(1, out_to_console);
    DbgFunctionBannerOn();
    EXPECT_EQ(1, banner_flag);
    DbgFunctionBannerOff();
    EXPECT_EQ(0, banner_flag);
}

TEST_F(TracerTest, ReturnTextIsCutAt255AndNullChangesNothing) {
    FunctionCallTracer trace("f");
    const std::string longText(300, 'r');
    trace.SetReturnValue(longText.c_str());
    EXPECT_EQ(std::string(255, 'r'), trace.return_value);
    trace.SetReturnValue(nullptr);
    EXPECT_EQ(std::string(255, 'r'), trace.return_value);
    trace.SetReturnValue("short");
    EXPECT_STREQ("short", trace.return_value);
}

TEST_F(TracerTest, NullNameIsSilentEvenWithTracingOn) {
    LoopbackListener listener;
    traceTo(listener, "Trace Viewer - null name");
    TitledWindow window(viewer_title);
    onFreshThread([] {
        FunctionCallTracer trace(nullptr);
        EXPECT_EQ(nullptr, trace.thread_record);
    });
    EXPECT_TRUE(listener.settle().empty());
}

TEST_F(TracerTest, NestedTracersSendIndentedEnterAndLeaveLines) {
    LoopbackListener listener;
    traceTo(listener, "Trace Viewer - nested");
    trace_flag = 5;  // any nonzero value turns tracing on
    TitledWindow window(viewer_title);
    ASSERT_TRUE(window.shown());
    Ids ids;
    onFreshThread([&] {
        ids = {trace_test::processId(), trace_test::threadId()};
        FunctionCallTracer outer("outer");
        ASSERT_NE(nullptr, outer.thread_record);
        EXPECT_EQ(ids.pid, outer.thread_record->pid);
        EXPECT_EQ(ids.tid, outer.thread_record->tid);
        {
            FunctionCallTracer middle("middle");
            {
                FunctionCallTracer inner("inner");
                EXPECT_EQ(outer.thread_record, inner.thread_record) << "one record per thread";
                EXPECT_EQ(6, inner.thread_record->depth);
                inner.SetReturnValue("");  // empty: the plain form
            }
            middle.SetReturnValue("42");
        }
        EXPECT_EQ(2, outer.thread_record->depth);
    });
    const std::vector<std::string> received = listener.waitForLines(6);
    ASSERT_EQ(1u, received.size());
    const std::vector<std::string> expected = {
        line(ids, 0, "Entering outer\n"), line(ids, 1, "Entering middle\n"), line(ids, 2, "Entering inner\n"),
        line(ids, 2, "Leaving inner\n"),  line(ids, 1, "Leaving middle, return 42\n"),
        line(ids, 0, "Leaving outer\n")};
    EXPECT_EQ(expected, withoutTimes(received[0]));
}

TEST_F(TracerTest, BannersAndOwnTexts) {
    LoopbackListener listener;
    traceTo(listener, "Trace Viewer - banners");
    TitledWindow window(viewer_title);
    Ids ids;
    onFreshThread([&] {
        ids = {trace_test::processId(), trace_test::threadId()};
        FunctionCallTracer trace("bannered");
        DbgFunctionBannerOn();
        trace.PrintFunctionBanner(1);
        trace.DebugOutputp("value %d\n", 7);
        DbgFunctionBannerOff();
        trace.PrintFunctionBanner(1);
        trace.DebugOutputp("%s\n", "plain");
        trace.PrintFunctionBanner(0);
        trace.DebugOutputp("bare\n");
        trace_to_viewer = 2;  // only 1 sends
        trace.PrintFunctionBanner(1);
        trace.DebugOutputp("dropped\n");
        trace_to_viewer = 1;
    });
    const std::vector<std::string> expected = {
        line(ids, 0, "Entering bannered\n"), line(ids, 1, "bannered: value 7\n"), line(ids, 1, "| plain\n"),
        line(ids, 1, "bare\n"), line(ids, 0, "Leaving bannered\n")};
    const std::vector<std::string> received = listener.waitForLines(expected.size());
    ASSERT_EQ(1u, received.size());
    EXPECT_EQ(expected, withoutTimes(received[0]));
}

TEST_F(TracerTest, ThreadsHaveTheirOwnConnectionsAndLevels) {
    LoopbackListener listener;
    traceTo(listener, "Trace Viewer - two threads");
    TitledWindow window(viewer_title);
    Ids first;
    Ids second;
    // The first thread stays one level deep while the second traces from level 0.
    std::thread one([&] {
        first = {trace_test::processId(), trace_test::threadId()};
        FunctionCallTracer outer("firstOuter");
        std::thread two([&] {
            second = {trace_test::processId(), trace_test::threadId()};
            FunctionCallTracer only("secondOnly");
        });
        two.join();
        FunctionCallTracer inner("firstInner");
    });
    one.join();
    std::vector<std::string> received = listener.waitForLines(6);
    ASSERT_EQ(2u, received.size());
    const std::vector<std::string> firstLines = {line(first, 0, "Entering firstOuter\n"),
                                                 line(first, 1, "Entering firstInner\n"),
                                                 line(first, 1, "Leaving firstInner\n"),
                                                 line(first, 0, "Leaving firstOuter\n")};
    const std::vector<std::string> secondLines = {line(second, 0, "Entering secondOnly\n"),
                                                  line(second, 0, "Leaving secondOnly\n")};
    EXPECT_EQ(firstLines, withoutTimes(received[0]));
    EXPECT_EQ(secondLines, withoutTimes(received[1]));
    EXPECT_NE(first.tid, second.tid);
}

TEST_F(TracerTest, ThreadThatFirstTracedWithoutTheWindowNeverConnects) {
    LoopbackListener listener;
    traceTo(listener, "Trace Viewer - late");
    onFreshThread([&] {
        { FunctionCallTracer early("beforeViewer"); }
        TitledWindow window(viewer_title);
        ASSERT_TRUE(window.shown());
        FunctionCallTracer late("afterViewer");
        ASSERT_NE(nullptr, late.thread_record);
        EXPECT_EQ(kTraceNoSocket, late.thread_record->sock);
        EXPECT_EQ(2, late.thread_record->depth) << "the record still counts levels";
    });
    EXPECT_TRUE(listener.settle().empty());

    // trace_to_viewer other than 1 makes a record without a connection, too.
    trace_to_viewer = 2;
    TitledWindow window(viewer_title);
    onFreshThread([] {
        FunctionCallTracer trace("notToViewer");
        ASSERT_NE(nullptr, trace.thread_record);
        EXPECT_EQ(kTraceNoSocket, trace.thread_record->sock);
    });
    EXPECT_TRUE(listener.settle().empty());
}

TEST_F(TracerTest, OverlongTextsAreCutAndKeepTheirLineEnd) {
    LoopbackListener listener;
    traceTo(listener, "Trace Viewer - long");
    TitledWindow window(viewer_title);
    const std::string longName(40000, 'n');
    const std::string longText(40000, 't');
    onFreshThread([&] {
        FunctionCallTracer trace(longName.c_str());
        trace.DebugOutputp("%s\n", longText.c_str());
        trace.DebugOutputp("%s", longText.c_str());
        trace.DebugOutputp("end\n");
    });
    const std::vector<std::string> received = listener.waitForLines(4);
    ASSERT_EQ(1u, received.size());
    const std::vector<std::string> lines = splitLines(received[0]);
    ASSERT_EQ(4u, lines.size());
    // Each entry: a short prefix, then a cut message of 32,767 bytes.
    const std::size_t prefix = lines[0].find("Entering ");
    ASSERT_NE(std::string::npos, prefix);
    EXPECT_EQ(32767u, lines[0].size() - prefix);
    EXPECT_EQ("Entering " + std::string(32766 - 9, 'n') + "\n", lines[0].substr(prefix));
    EXPECT_EQ(std::string(32766, 't') + "\n", lines[1]);
    // A format without a line end is cut without one, so "end" joins it.
    EXPECT_EQ(std::string(32767, 't') + "end\n", lines[2]);
    EXPECT_EQ(32767u, lines[3].size() - lines[3].find("Leaving "));
}

TEST_F(TracerTest, ViewerThatWentAwayDoesNotHurtTheTracedProcess) {
    LoopbackListener listener;
    listener.closeOnAccept();
    traceTo(listener, "Trace Viewer - gone");
    TitledWindow window(viewer_title);
    onFreshThread([] {
        for (int index = 0; index < 20; ++index) {
            FunctionCallTracer trace("afterClose");
            trace.DebugOutputp("line %d\n", index);
        }
    });
    EXPECT_EQ(1u, listener.settle().size());
}

TEST_F(TracerTest, CopyAssignmentCopiesEveryField) {
    FunctionCallTracer source("source");
    source.SetReturnValue("value");
    FunctionCallTracer target("target");
    std::memset(target.return_value, 'x', sizeof target.return_value);
    target = source;
    EXPECT_EQ(source.function_name, target.function_name);
    EXPECT_EQ(0, std::memcmp(source.return_value, target.return_value, sizeof target.return_value));
    EXPECT_EQ(source.thread_record, target.thread_record);
}

}  // namespace
