// Uses the installed library through its umbrella header; exits 0 when it works.
#include <cstdio>
#include <cstring>

#include "util.h"

int main() {
    if (FileLog::GetLogLevel() != 2 || FileLog::SetLogLevel(3) != 3) {
        std::puts("consumer: log settings wrong");
        return 1;
    }
    FileLog log("consumer");
    std::printf("consumer: util %s, log path %s\n", UTIL_VERSION_STRING, FileLog::GetLogFilePath());
    return std::strstr(FileLog::log_path, "default.log") != nullptr ? 0 : 1;
}
