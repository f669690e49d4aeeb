// FileLog records: the filter, the record layouts and rotation.
#include "log/file_log.h"

#include <cstring>

#include "log/log_lock.h"
#include "log/log_stream.h"
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

namespace {

const char kUnknownModule[] = "?Module?";

inline bool passesFilter(int objectFlag, int level) {
    return objectFlag != 0 && FileLog::log_flag != 0 && level <= FileLog::log_level;
}

// The text after the last path separator, or the name itself.
const char* shortFileName(const char* name) {
    const char* separator = std::strrchr(name, util::platform::kPathSeparator);
    return separator != nullptr ? separator + 1 : name;
}

// The timestamp piece, "2024/03/05 14:07:09.042 ", into text; returns its length.
int formatTimestamp(char (&text)[64]) {
    const util::platform::LocalTime now = util::platform::localTimeNow();
    return std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d.%03d ", now.year, now.month, now.day,
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

int FileLog::LogDateTime(util::LogStream& stream) {
    char timestamp[64];
    formatTimestamp(timestamp);
    return stream.print("%s", timestamp);
}

bool FileLog::OpenLogFile(util::LogStream& stream) {
    if (!stream.open(GetLogFilePath())) {
        return false;
    }
    long long size = stream.sizeAtOpen();
    if (size < 0) {
        size = 0;  // unknown: append without rotating, never delete the backup
    }
    if (size < log_size) {
        return true;
    }

    stream.print("\n");
    LogDateTime(stream);
    stream.print("current log file exceed maximum log file size %ld, rename it to %s", log_size, log_bak_path);
    if (std::FILE* backup = std::fopen(log_bak_path, "r")) {
        stream.print("\n");
        LogDateTime(stream);
        stream.print("backup log file %s already exist, delete it\n", log_bak_path);
        std::fclose(backup);
        std::remove(log_bak_path);
    }
    stream.close();
    std::rename(log_path, log_bak_path);
    if (!stream.open(log_path)) {
        return false;
    }
    LogDateTime(stream);
    stream.print("create new log file %s", log_path);
    return true;
}

int FileLog::LogMsg(int level, const char* format, ...) {
    if (!passesFilter(flag, level)) {
        return 0;
    }
    LogLockHold hold;
    util::LogStream stream;
    if (!OpenLogFile(stream)) {
        return 0;
    }
    int count = stream.print("\n");
    count += LogDateTime(stream);
    std::va_list arguments;
    va_start(arguments, format);
    count += stream.printList(format, arguments);
    va_end(arguments);
    return count;
}

int FileLog::LogMsg(int level, const char* moduleName, const char* fileName, int lineNumber, const char* format, ...) {
    if (!passesFilter(flag, level)) {
        return 0;  // before the argument list is set up: a dropped record costs the flag loads alone
    }
    std::va_list arguments;
    va_start(arguments, format);
    const int count = LogIt(level, moduleName, fileName, lineNumber, format, arguments);
    va_end(arguments);
    return count;
}

int FileLog::LogIt(int level, const char* moduleName, const char* fileName, int lineNumber, const char* format,
                   std::va_list arguments) {
    if (!passesFilter(flag, level)) {
        return 0;
    }
    LogLockHold hold;
    util::LogStream stream;
    if (!OpenLogFile(stream)) {
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
        count += stream.print("%s %s:%d ", moduleName, shortFileName(fileName), lineNumber);
        count += stream.print("pid %d tid %d ", processId(), threadId());
        count += stream.printList(format, arguments);
    } else {
        if (mask & LOGMASK_DATETIME) {
            count += LogDateTime(stream);
        }
        if (mask & LOGMASK_MODULE) {
            count += stream.print("%s ", moduleName);
        }
        if (mask & LOGMASK_FILE) {
            if (mask & LOGMASK_LINE) {
                count += stream.print("%s:%d ", shortFileName(fileName), lineNumber);
            } else {
                count += stream.print("%s ", shortFileName(fileName));
            }
        }
        if (mask & LOGMASK_PID) {
            count += stream.print("pid %d ", processId());
        }
        if (mask & LOGMASK_TID) {
            count += stream.print("tid %d ", threadId());
        }
        if (mask & LOGMASK_TEXT) {
            count += stream.printList(format, arguments);
        }
    }
    return count;
}

namespace {

// The fixed-layout line on standard error with the stored fields as they stand.
int writeStandardErrorRecord(const FileLog& log, const char* format, std::va_list arguments) {
    char timestamp[64];
    formatTimestamp(timestamp);
    int count = std::fprintf(stderr, "%s", timestamp);
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
