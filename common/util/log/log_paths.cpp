// The log directory and the log and backup paths of FileLog.
#include <cstdio>
#include <cstring>

#include "log/file_log.h"
#include "log/log_lock.h"
#include "platform/files.h"
#include "platform/lock.h"

namespace {

const std::size_t kDirectorySize = 260;
char logDirectory[kDirectorySize];

// "<directory><sep><rest>" into output when it fits in size bytes.
bool joinPath(char* output, std::size_t size, const char* directory, const char* rest) {
    const int length = std::snprintf(output, size, "%s%c%s", directory, util::platform::kPathSeparator, rest);
    return length >= 0 && static_cast<std::size_t>(length) < size;
}

// Forms <exe dir>/logs/<exe name without extension> into directory, creating
// both directories when `create`. Returns false when it cannot be formed.
bool formLogDirectory(char (&directory)[kDirectorySize], bool create) {
    char executable[kDirectorySize];
    std::size_t nameOffset = 0;
    if (!util::platform::executableFullPath(executable, sizeof executable, &nameOffset) || nameOffset == 0) {
        return false;
    }
    executable[nameOffset - 1] = '\0';  // the separator before the file name
    const char* executableName = executable + nameOffset;

    char logsDirectory[kDirectorySize];
    if (!joinPath(logsDirectory, sizeof logsDirectory, executable, "logs") ||
        !joinPath(directory, sizeof directory, logsDirectory, executableName)) {
        return false;
    }
    char* nameStart = directory + std::strlen(logsDirectory) + 1;
    if (char* extension = std::strrchr(nameStart, '.')) {
        *extension = '\0';
    }
    if (create) {
        util::platform::makeDirectory(logsDirectory);
        util::platform::makeDirectory(directory);
    }
    return true;
}

// Fills logDirectory once, creating it. Returns false, leaving it empty, when
// it cannot be formed.
bool ensureLogDirectory() {
    if (logDirectory[0] != '\0') {
        return true;
    }
    char directory[kDirectorySize];
    if (!formLogDirectory(directory, true)) {
        return false;
    }
    std::memcpy(logDirectory, directory, sizeof logDirectory);
    return true;
}

// Sets both paths when both fit; otherwise changes nothing.
bool storePaths(const char* path, const char* backupPath) {
    const std::size_t pathLength = std::strlen(path);
    const std::size_t backupLength = std::strlen(backupPath);
    if (pathLength >= sizeof FileLog::log_path || backupLength >= sizeof FileLog::log_bak_path) {
        return false;
    }
    std::memcpy(FileLog::log_path, path, pathLength + 1);
    std::memcpy(FileLog::log_bak_path, backupPath, backupLength + 1);
    return true;
}

// path and path + ".bak" for a log file inside the log directory.
bool storePathsInDirectory(const char* name) {
    char path[sizeof FileLog::log_path + 1];
    char backupPath[sizeof FileLog::log_bak_path + 1];
    if (!joinPath(path, sizeof path, logDirectory, name)) {
        return false;
    }
    const int length = std::snprintf(backupPath, sizeof backupPath, "%s.bak", path);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof backupPath) {
        return false;
    }
    return storePaths(path, backupPath);
}

}  // namespace

char* FileLog::GetLogFilePath() {
    util::platform::ScopedCriticalSection hold(util::logLock());
    if (log_path[0] == '\0' && ensureLogDirectory()) {
        storePathsInDirectory("default.log");
    }
    return log_path;
}

int FileLog::SetLogFilePath(const char* name) {
    if (name == nullptr || std::strlen(name) >= 1023) {
        return 0;
    }
    util::platform::ScopedCriticalSection hold(util::logLock());
    if (util::platform::isAbsoluteLogName(name)) {
        char backupPath[sizeof log_bak_path + 1];
        std::snprintf(backupPath, sizeof backupPath, "%s.bak", name);
        return storePaths(name, backupPath) ? 1 : 0;
    }
    if (!ensureLogDirectory()) {
        return 0;
    }
    return storePathsInDirectory(name) ? 1 : 0;
}

namespace util {

int peekLogFilePath(char* buffer, unsigned long size) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    buffer[0] = '\0';
    platform::ScopedCriticalSection hold(logLock());
    int length = -1;
    if (FileLog::log_path[0] != '\0') {
        length = std::snprintf(buffer, size, "%s", FileLog::log_path);
    } else if (logDirectory[0] != '\0') {
        length = std::snprintf(buffer, size, "%s%cdefault.log", logDirectory, platform::kPathSeparator);
    } else {
        char directory[kDirectorySize];
        if (formLogDirectory(directory, false)) {
            length = std::snprintf(buffer, size, "%s%cdefault.log", directory, platform::kPathSeparator);
        }
    }
    if (length < 0 || static_cast<unsigned long>(length) >= size) {
        buffer[0] = '\0';
        return 0;
    }
    return 1;
}

}  // namespace util
