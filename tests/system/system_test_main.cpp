// The suite's main and the process tests' child: "--child PATH DELAY WORDS..." sleeps
// DELAY ms, then writes the number of WORDS to PATH; named "xdg-open" it is the
// stand-in opener: exit 0 for http addresses, 2 (not found) for others, 4 without one.
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
    if (argc >= 4 && std::strcmp(argv[1], "--child") == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[3])));
        std::ofstream(argv[2], std::ios::binary) << argc - 4;
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
