// The system suite's main. Besides running the tests it is the child of the
// process tests: "--child-write PATH DELAY" sleeps DELAY milliseconds, then
// writes "child ran" to PATH; started under the name "xdg-open" it is the
// stand-in desktop opener (see launch_test_posix.cpp).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

int writeChildFile(const char* path, const char* delay) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(delay)));
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return 3;
    }
    std::fputs("child ran", file);
    return std::fclose(file) == 0 ? 0 : 3;
}

// Exits 0 for http addresses, 2 (not found) for anything else, 4 without an argument.
int actAsOpener(int argc, char** argv) {
    if (argc != 2) {
        return 4;
    }
    return std::strncmp(argv[1], "http", 4) == 0 ? 0 : 2;
}

bool startedAsOpener(const char* program) {
    const std::string name = program;
    const std::string opener = "xdg-open";
    return name.size() >= opener.size() && name.compare(name.size() - opener.size(), opener.size(), opener) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 1 && startedAsOpener(argv[0])) {
        return actAsOpener(argc, argv);
    }
    if (argc == 4 && std::strcmp(argv[1], "--child-write") == 0) {
        return writeChildFile(argv[2], argv[3]);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
