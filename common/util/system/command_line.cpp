// CommandLineToArgv: one malloc block holding the pointer array, the count and
// the copy of the line that is cut into the arguments in place.
#include <cstdlib>
#include <cstring>

#include "system/process_launch.h"

namespace {

const int kMaximumArguments = 32;

// The next occurrence of end at or after cursor, or null.
char* findEnd(char* cursor, char end) { return std::strchr(cursor, end); }

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
    char* cursor = block + lineOffset;
    for (int index = 0; index < kMaximumArguments; ++index) {
        arguments[index] = nullptr;
    }
    *storedCount = 0;
    std::memcpy(cursor, commandLine, lineSize);

    while (*cursor != '\0' && *storedCount < kMaximumArguments) {
        char end = ' ';
        if (*cursor == '"' || *cursor == '\'') {
            end = *cursor;
            ++cursor;
        }
        arguments[(*storedCount)++] = cursor;
        char* found = findEnd(cursor, end);
        if (found == nullptr) {
            break;
        }
        *found = '\0';
        cursor = found + 1;
        while (*cursor == ' ') {
            ++cursor;
        }
    }
    if (count != nullptr) {
        *count = *storedCount;
    }
    return arguments;
}
