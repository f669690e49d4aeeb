// utilctl log: one record through a FileLog.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "command.h"
#include "util.h"

namespace utilctl {
namespace {

const Command kLog = {"log", "LEVEL TEXT", "write one record through a FileLog and print the log path", nullptr};

int runLog(const Arguments& arguments) {
    if (arguments.operands.size() != 2) {
        return usageError(kLog, "expected a LEVEL and a TEXT");
    }
    const char* levelText = arguments.operands[0];
    const bool negative = levelText[0] == '-';
    unsigned long magnitude = 0;
    if (!parseNumber(levelText + (negative ? 1 : 0), 0, 100000, &magnitude)) {
        return usageError(kLog, "LEVEL must be a whole number from -100000 to 100000");
    }
    const long level = negative ? -static_cast<long>(magnitude) : static_cast<long>(magnitude);
    static FileLog log("utilctl");
    const int threshold = FileLog::GetLogLevel();
    const int written = log.LogMsg(static_cast<int>(level), "utilctl", "utilctl", 0, "%s\n", arguments.operands[1]);
    std::printf("%s\n", FileLog::GetLogFilePath());
    if (written == 0) {
        if (level > threshold) {
            return failure("no record written: level %ld is above the log level %d", level, threshold);
        }
        if (FileLog::log_flag == 0) {
            return failure("no record written: logging is off (log flag 0)");
        }
        return failure("no record written: the log file did not open");
    }
    return kSuccess;
}

const CommandRegistration logCommand({kLog.name, kLog.usage, kLog.summary, &runLog});

}  // namespace
}  // namespace utilctl
