// The debug-output suite's main: run with --print-debug-line it is the child
// that sends one DbgPrint text through the platform's own sink.
#include <gtest/gtest.h>

#include <cstring>

#include "log/debug_print.h"

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--print-debug-line") == 0) {
        return DbgPrint("child line %d\n", 7) == 13 ? 0 : 3;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
