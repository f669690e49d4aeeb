// FileLog records: the filter, the record layouts and rotation.
#include "log/file_log.h"

#include <cstring>

#include "log/log_lock.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/lock.h"
#include "platform/process.h"

int FileLog::log_flag = 1;
int FileLog::log_level = 2;
int FileLog::log_mask = LOGMASK_ALL;
long FileLog::log_size = 0xA00000;
char FileLog::log_path[1024];
char FileLog::log_bak_path[1024];

namespace util {

void* logLock() {
    static void* const lock = platform::createCriticalSection();
    return lock;
}

}  // namespace util

namespace {

const char kUnknownModule[] = "?Module?";

bool passesFilter(int objectFlag, int level) {
    return objectFlag != 0 && FileLog::log_flag != 0 && level <= FileLog::log_level;
}

// The text after the last path separator, or the name itself.
const char* shortFileName(const char* name) {
    const char* separator = std::strrchr(name, util::platform::kPathSeparator);
    return separator != nullptr ? separator + 1 : name;
}

int writeTimestamp(std::FILE* stream) {
    const util::platform::LocalTime now = util::platform::localTimeNow();
    return std::fprintf(stream, "%04d/%02d/%02d %02d:%02d:%02d.%03d ", now.year, now.month, now.day,
                        now.hour, now.minute, now.second, now.millisecond);
}

int processId() { return static_cast<int>(util::platform::currentProcessId()); }
int threadId() { return static_cast<int>(util::platform::currentThreadId()); }

// Releases the log lock however the record ends.
class LogLockHold {
public:
    LogLockHold() { util::platform::enterCriticalSection(util::logLock()); }
    ~LogLockHold() { util::platform::leaveCriticalSection(util::logLock()); }
    LogLockHold(const LogLockHold&) = delete;
    LogLockHold& operator=(const LogLockHold&) = delete;
};

}  // namespace

FileLog::FileLog(const char* name, int flagValue)
    : flag(flagValue), module(name != nullptr ? name : kUnknownModule), file("?File?"), line(0) {
    util::logLock();
}

FileLog::~FileLog() = default;

void FileLog::SetFileLine(const char* fileName, int lineNumber) {
    file = fileName;
    line = lineNumber;
}

int FileLog::LogDateTime(std::FILE* stream) { return writeTimestamp(stream); }

std::FILE* FileLog::OpenLogFile() {
    const char* path = GetLogFilePath();
    std::FILE* stream = util::platform::openForAppend(path);
    if (stream == nullptr) {
        return nullptr;
    }
    long long size = util::platform::openFileSize(stream);
    if (size < 0) {
        size = 0;  // unknown: append without rotating, never delete the backup
    }
    if (size < log_size) {
        return stream;
    }

    std::fputs("\n", stream);
    LogDateTime(stream);
    std::fprintf(stream, "current log file exceed maximum log file size %ld, rename it to %s", log_size,
                 log_bak_path);
    if (std::FILE* backup = std::fopen(log_bak_path, "r")) {
        std::fputs("\n", stream);
        LogDateTime(stream);
        std::fprintf(stream, "backup log file %s already exist, delete it\n", log_bak_path);
        std::fclose(backup);
        std::remove(log_bak_path);
    }
    std::fclose(stream);
    std::rename(log_path, log_bak_path);
    stream = util::platform::openForAppend(log_path);
    if (stream == nullptr) {
        return nullptr;
    }
    LogDateTime(stream);
    std::fprintf(stream, "create new log file %s", log_path);
    return stream;
}

int FileLog::LogMsg(int level, const char* format, ...) {
    if (!passesFilter(flag, level)) {
        return 0;
    }
    LogLockHold hold;
    std::FILE* stream = OpenLogFile();
    if (stream == nullptr) {
        return 0;
    }
    int count = std::fprintf(stream, "\n");
    count += LogDateTime(stream);
    std::va_list arguments;
    va_start(arguments, format);
    count += std::vfprintf(stream, format, arguments);
    va_end(arguments);
    std::fclose(stream);
    return count;
}

int FileLog::LogMsg(int level, const char* moduleName, const char* fileName, int lineNumber,
                    const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    const int count = LogIt(level, moduleName, fileName, lineNumber, format, arguments);
    va_end(arguments);
    return count;
}

int FileLog::LogIt(int level, const char* moduleName, const char* fileName, int lineNumber,
                   const char* format, std::va_list arguments) {
    if (!passesFilter(flag, level)) {
        return 0;
    }
    LogLockHold hold;
    std::FILE* stream = OpenLogFile();
    if (stream == nullptr) {
        return 0;
    }
    if (moduleName == nullptr) {
        moduleName = kUnknownModule;
    }
    if (fileName == nullptr) {
        fileName = "?file?";
    }
    if (lineNumber < 0) {
        lineNumber = 0;
    }

    const int mask = log_mask;
    int count = 0;
    if (mask == LOGMASK_ALL) {
        count += LogDateTime(stream);
        count += std::fprintf(stream, "%s %s:%d ", moduleName, shortFileName(fileName), lineNumber);
        count += std::fprintf(stream, "pid %d tid %d ", processId(), threadId());
        count += std::vfprintf(stream, format, arguments);
    } else {
        if (mask & LOGMASK_DATETIME) {
            count += LogDateTime(stream);
        }
        if (mask & LOGMASK_MODULE) {
            count += std::fprintf(stream, "%s ", moduleName);
        }
        if (mask & LOGMASK_FILE) {
            if (mask & LOGMASK_LINE) {
                count += std::fprintf(stream, "%s:%d ", shortFileName(fileName), lineNumber);
            } else {
                count += std::fprintf(stream, "%s ", shortFileName(fileName));
            }
        }
        if (mask & LOGMASK_PID) {
            count += std::fprintf(stream, "pid %d ", processId());
        }
        if (mask & LOGMASK_TID) {
            count += std::fprintf(stream, "tid %d ", threadId());
        }
        if (mask & LOGMASK_TEXT) {
            count += std::vfprintf(stream, format, arguments);
        }
    }
    std::fclose(stream);
    return count;
}

namespace {

// The fixed-layout line on standard error with the stored fields as they stand.
int writeStandardErrorRecord(const FileLog& log, const char* format, std::va_list arguments) {
    int count = writeTimestamp(stderr);
    count += std::fprintf(stderr, "%s %s:%d ", log.module != nullptr ? log.module : "?Module?",
                          log.file != nullptr ? log.file : "?file?", log.line);
    count += std::fprintf(stderr, "pid %d tid %d ", processId(), threadId());
    count += std::vfprintf(stderr, format, arguments);
    return count;
}

}  // namespace

int FileLog::LogMsgEx(int level, const char* format, ...) {
    if (!passesFilter(flag, level)) {
        return 0;
    }
    if (file != nullptr) {
        file = shortFileName(file);
    }
    std::va_list arguments;
    va_start(arguments, format);
    if (log_mask & LOGMASK_STDERR) {
        std::va_list echoArguments;
        va_copy(echoArguments, arguments);
        writeStandardErrorRecord(*this, format, echoArguments);
        va_end(echoArguments);
    }
    const int count = LogIt(level, module, file, line, format, arguments);
    va_end(arguments);
    return count;
}

int FileLog::TraceMsgEx(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    const int count = writeStandardErrorRecord(*this, format, arguments);
    va_end(arguments);
    return count;
}

void FileLog::StartLog() { log_flag = 1; }
void FileLog::StopLog() { log_flag = 0; }
int FileLog::GetLogLevel() { return log_level; }
int FileLog::SetLogLevel(int level) { return log_level = level; }
int FileLog::GetMaxLogFileSize() { return static_cast<int>(log_size); }
int FileLog::SetMaxLogFileSize(long size) {
    log_size = size;
    return static_cast<int>(log_size);
}
int FileLog::GetLogMask() { return log_mask; }
int FileLog::SetLogMask(int mask) { return log_mask = mask; }
