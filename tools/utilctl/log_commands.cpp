// utilctl log: one record through a FileLog.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "command.h"
#include "util.h"

namespace utilctl {
namespace {

const Command kLog = {"log", "LEVEL TEXT", "write one record through a FileLog and print the log path",
                      nullptr};

int runLog(int argc, char** argv) {
    if (argc != 3) {
        return usageError(kLog, "log needs a level and a text");
    }
    char* end = nullptr;
    const long level = std::strtol(argv[1], &end, 10);
    if (end == argv[1] || *end != '\0' || level < -100000 || level > 100000) {
        return usageError(kLog, "the level must be a whole number");
    }
    static FileLog log("utilctl");
    const int written = log.LogMsg(static_cast<int>(level), "utilctl", "utilctl", 0, "%s\n", argv[2]);
    std::printf("%s\n", FileLog::GetLogFilePath());
    if (written == 0) {
        std::fprintf(stderr, "utilctl: no record written (level above %d, or the log file did not open)\n",
                     FileLog::GetLogLevel());
        return kFailure;
    }
    return kSuccess;
}

const CommandRegistration logCommand({kLog.name, kLog.usage, kLog.summary, &runLog});

}  // namespace
}  // namespace utilctl
