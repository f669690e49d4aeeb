// utilctl info and utilctl log: the library's log settings and one record.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "command.h"
#include "platform.h"
#include "util.h"

namespace utilctl {
namespace {

int runInfo(int argc, char**) {
    if (argc != 1) {
        std::fprintf(stderr, "utilctl: info takes no arguments\n");
        return kUsage;
    }
    std::printf("library:    util %s\n", UTIL_VERSION_STRING);
    std::printf("platform:   %s\n", platformName());
    const char* path = FileLog::GetLogFilePath();
    std::printf("log path:   %s\n", path[0] != '\0' ? path : "(none: no log directory could be formed)");
    std::printf("log backup: %s\n", FileLog::log_bak_path);
    std::printf("log flag:   %d\n", FileLog::log_flag);
    std::printf("log level:  %d\n", FileLog::GetLogLevel());
    std::printf("log mask:   0x%04X\n", static_cast<unsigned>(FileLog::GetLogMask()));
    std::printf("log size:   %d bytes\n", FileLog::GetMaxLogFileSize());
    return kSuccess;
}

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

const CommandRegistration infoCommand(
    {"info", "", "print the library version, the platform and the log settings", &runInfo});
const CommandRegistration logCommand({kLog.name, kLog.usage, kLog.summary, &runLog});

}  // namespace
}  // namespace utilctl
