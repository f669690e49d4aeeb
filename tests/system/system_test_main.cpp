// The system suite's main, which is also the child of the process tests:
// "--child-write PATH DELAY" sleeps DELAY ms, then writes "child ran" to PATH;
// "--child-count PATH ..." writes the number of arguments after PATH to PATH;
// started under the name "xdg-open" it is the stand-in desktop opener, which
// exits 0 for http addresses, 2 (not found) for anything else, 4 without an
// argument (see launch_test_posix.cpp).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    const std::string self = argc >= 1 ? argv[0] : "";
    if (self.size() >= 8 && self.compare(self.size() - 8, 8, "xdg-open") == 0) {
        return argc != 2 ? 4 : std::strncmp(argv[1], "http", 4) == 0 ? 0 : 2;
    }
    if (argc == 4 && std::strcmp(argv[1], "--child-write") == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[3])));
        std::ofstream file(argv[2], std::ios::binary);
        file << "child ran";
        return file.flush() ? 0 : 3;
    }
    if (argc >= 3 && std::strcmp(argv[1], "--child-count") == 0) {
        std::ofstream file(argv[2], std::ios::binary);
        file << argc - 3;
        return file.flush() ? 0 : 3;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
