// CommandLineToArgv: one malloc block holding the pointer array, the count and
// the copy of the line that is cut into the arguments in place.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "system/system_platform.h"
#include "system/process_launch.h"

namespace {

const int kMaximumArguments = 32;

// Walks the line from cursor by the splitting rules and returns how many
// arguments it holds, at most limit. With `arguments`, also stores each start
// there and cuts the line in place; without, only counts (and writes nothing).
int walkArguments(char* cursor, char** arguments, int limit) {
    int found = 0;
    while (*cursor != '\0' && found < limit) {
        char end = ' ';
        if (*cursor == '"' || *cursor == '\'') {
            end = *cursor;
            ++cursor;
        }
        if (arguments != nullptr) {
            arguments[found] = cursor;
        }
        ++found;
        char* next = std::strchr(cursor, end);
        if (next == nullptr) {
            break;
        }
        if (arguments != nullptr) {
            *next = '\0';
        }
        cursor = next + 1;
        while (*cursor == ' ') {
            ++cursor;
        }
    }
    return found;
}

}  // namespace

char** CommandLineToArgv(const char* commandLine, int* count) {
    if (commandLine == nullptr) {
        commandLine = "";
    }
    const std::size_t lineSize = std::strlen(commandLine) + 1;
    const std::size_t countOffset = kMaximumArguments * sizeof(char*);
    const std::size_t lineOffset = countOffset + sizeof(int);
    char* block = static_cast<char*>(std::malloc(lineOffset + lineSize));
    if (block == nullptr) {
        if (count != nullptr) {
            *count = 0;
        }
        return nullptr;
    }
    char** arguments = reinterpret_cast<char**>(block);
    int* storedCount = reinterpret_cast<int*>(block + countOffset);
    char* line = block + lineOffset;
    for (int index = 0; index < kMaximumArguments; ++index) {
        arguments[index] = nullptr;
    }
    std::memcpy(line, commandLine, lineSize);
    *storedCount = walkArguments(line, arguments, kMaximumArguments);
    if (count != nullptr) {
        *count = *storedCount;
    }
    return arguments;
}

namespace util {

char** splitWholeCommandLine(const char* commandLine, int* count) {
    *count = 0;
    if (commandLine == nullptr) {
        commandLine = "";
    }
    const std::size_t lineSize = std::strlen(commandLine) + 1;
    // Counting writes nothing: the cast only lets the walk share its code.
    const int found = walkArguments(const_cast<char*>(commandLine), nullptr, INT_MAX);
    const std::size_t lineOffset = (static_cast<std::size_t>(found) + 1) * sizeof(char*);
    char* block = static_cast<char*>(std::malloc(lineOffset + lineSize));
    if (block == nullptr) {
        return nullptr;
    }
    char** arguments = reinterpret_cast<char**>(block);
    char* line = block + lineOffset;
    std::memcpy(line, commandLine, lineSize);
    walkArguments(line, arguments, found);
    arguments[found] = nullptr;
    *count = found;
    return arguments;
}

}  // namespace util
