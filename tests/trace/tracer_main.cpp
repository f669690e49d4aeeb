// test_trace: starts what the tracer needs around the tests: Winsock on Windows,
// a private X server on POSIX, so that test windows exist where the tracer looks.
#include <gtest/gtest.h>

#include <cstdio>

#include "trace/trace_test_platform.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!trace_test::startNetwork()) {
        std::fprintf(stderr, "test_trace: the network layer did not start\n");
        return 1;
    }
    if (!trace_test::startDisplay()) {
        std::fprintf(stderr, "test_trace: no X server (Xvfb) for the window tests\n");
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    trace_test::stopDisplay();
    return result;
}
