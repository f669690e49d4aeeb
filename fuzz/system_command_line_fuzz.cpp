// CommandLineToArgv on any line: never more than 32 arguments, every argument a
// terminated string inside the block's copy of the line, the count stored twice.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "system/process_launch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);  // cut at the first NUL below
    const std::size_t lineSize = std::strlen(line.c_str()) + 1;
    int count = -1;
    char** block = CommandLineToArgv(line.c_str(), &count);
    if (block == nullptr) {
        return 0;
    }
    const char* copyStart = reinterpret_cast<const char*>(block) + 32 * sizeof(char*) + sizeof(int);
    const char* copyEnd = copyStart + lineSize;
    if (count < 0 || count > 32 || *reinterpret_cast<int*>(block + 32) != count) {
        std::abort();
    }
    for (int index = 0; index < 32; ++index) {
        if (index >= count) {
            if (block[index] != nullptr) {
                std::abort();
            }
            continue;
        }
        if (block[index] < copyStart || block[index] >= copyEnd) {
            std::abort();
        }
        if (std::memchr(block[index], '\0', static_cast<std::size_t>(copyEnd - block[index])) == nullptr) {
            std::abort();
        }
    }
    std::free(block);
    return 0;
}
