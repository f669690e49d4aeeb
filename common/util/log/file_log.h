// FileLog: the process's file logger.
//
// Every FileLog object writes to the one log file of the process. A record is
// written in one step under a process-wide lock: open the file for appending,
// rotate it to its single backup first when it has reached log_size bytes,
// write the record's pieces, close the file. Nothing is kept open or buffered
// between records. The process-wide settings are public static data (exported
// as data) and have accessors; they start from their built-in values at load.
//
//   static FileLog log("net");
//   log.SetFileLine(__FILE__, __LINE__);
//   log.LogMsgEx(1, "queue full\n");
//   // default log: <exe dir>/logs/<exe name>/default.log
//   // 2024/03/05 14:07:09.042 net conn.cpp:42 pid 1200 tid 3344 queue full
//
// Platform differences. Windows writes text mode (each "\n" is stored as CR LF),
// its path separator is '\\', a log name is taken as it stands when it reads like
// "X:\\..."; a record's file name is shortened after its last '\\'. POSIX writes the
// bytes as they are, its separator is '/', a name is taken as it stands when it
// starts with '/', and file names are shortened after their last '/'.
//
// Choices where the design leaves one:
//  - The text arguments are const char*: the logger never writes through them, and
//    like every stored name it keeps the pointer, not a copy.
//  - When the size of the open log file cannot be read, it counts as 0: the
//    record is appended and nothing is rotated, so a failing size query never
//    deletes the backup.
//  - A null `file` (set through SetFileLine) prints as "?file?" on standard
//    error, the text the record writer substitutes for it in the file.
//  - Paths never overrun and are never cut. SetLogFilePath refuses (returns 0,
//    both paths unchanged) a name whose log path or backup path would not fit in
//    1,024 bytes with the terminator. An executable whose log directory would
//    not fit in 260 bytes gets no log directory: the default path stays empty,
//    records are dropped (result 0) and relative names are refused.
//  - The log directory drops the executable name's extension: the last '.' of
//    the file name, never a '.' in a directory above it.
//  - SetLogFilePath and the lazy filling of the default paths take the log lock,
//    so a concurrent record never sees a half-written path.
//  - Two processes logging to the same path each append whole records: a
//    record of any length is gathered in memory and reaches the file in one
//    write to a file opened for appending (O_APPEND; on Windows append-data
//    access, not the C runtime's seek-then-write), which the system places at
//    the end in one piece. Their records may land in any order, and rotation is
//    not coordinated between them: both may rotate, and the second rotation then
//    replaces the backup that the first made.
//  - fork (POSIX): the log lock is taken around a fork, so a child forked while
//    another thread writes a record finds it free and logs at once.
#ifndef UTIL_LOG_FILE_LOG_H
#define UTIL_LOG_FILE_LOG_H

#include <cstdarg>
#include <cstdio>

#include "platform/export.h"

namespace util {
class LogStream;
}

/// Bits of FileLog::log_mask: the pieces of a record, in the order they are written.
enum LogMaskBits {
    LOGMASK_DATETIME = 0x0001,  // "2024/03/05 14:07:09.042 "
    LOGMASK_MODULE = 0x0002,    // module name and a space
    LOGMASK_FILE = 0x0004,      // source file name (shortened) and a space
    LOGMASK_LINE = 0x0008,      // ":" and the line after the file name; needs LOGMASK_FILE
    LOGMASK_TEXT = 0x0010,      // the formatted message
    LOGMASK_PID = 0x0020,       // "pid %d "
    LOGMASK_TID = 0x0040,       // "tid %d "
    LOGMASK_STDERR = 0x1000,    // LogMsgEx also echoes the record to standard error
    LOGMASK_ALL = 0xFFFF        // exactly this value: the fixed full layout
};

class UTIL_API FileLog {
public:
    /// A logger named `name` ("?Module?" when null); flag 0 silences its file records.
    /// The first construction in the process creates the log lock.
    FileLog(const char* name = nullptr, int flag = 1);
    ~FileLog();

    /// Stores the source position that LogMsgEx records carry (the text is not copied).
    void SetFileLine(const char* fileName, int lineNumber);

    /// "\n", a timestamp and the message. log_mask plays no part.
    /// Returns the characters written, 0 when filtered or the file did not open.
    int LogMsg(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
    /// A record in the layout log_mask chooses, with an explicit position; the
    /// object's own module, file and line play no part. Returns the characters written.
    int LogMsg(int level, const char* moduleName, const char* fileName, int lineNumber, const char* format, ...)
        __attribute__((format(printf, 6, 7)));
    /// A record with the object's stored position. Shortens the stored `file`
    /// for good, and echoes the record to standard error when log_mask has
    /// LOGMASK_STDERR (not counted in the result). Returns the characters written to the file.
    int LogMsgEx(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
    /// The fixed-layout line on standard error only: no filter, no lock, no file.
    /// Returns the characters written.
    int TraceMsgEx(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Process-wide settings. None of these takes the lock or checks its value.
    static void StartLog();
    static void StopLog();
    static int GetLogLevel();
    static int SetLogLevel(int level);
    static int GetMaxLogFileSize();
    static int SetMaxLogFileSize(long size);
    static int GetLogMask();
    static int SetLogMask(int mask);
    /// log_path, first filled with <log directory>/default.log (and the backup
    /// path with default.log.bak) when it is empty.
    static char* GetLogFilePath();
    /// Takes `name` as the log path when absolute (see above), else places it in
    /// the log directory; the backup path is the log path plus ".bak". Returns 1,
    /// or 0 for null, for 1,023 characters or more, and for paths that would not fit.
    static int SetLogFilePath(const char* name);

    static int log_flag;   // 0: no file records at all
    static int log_level;  // records of a level above it are dropped (signed)
    static int log_mask;   // LogMaskBits; exactly 0xFFFF is the fixed layout
    static long log_size;  // rotate when the file holds at least this many bytes
    static char log_path[1024];
    static char log_bak_path[1024];

    int flag;
    const char* module;
    const char* file;
    int line;

private:
    // Opens the log file into stream, rotating it first when it is full.
    static bool OpenLogFile(util::LogStream& stream);
    static int LogDateTime(util::LogStream& stream);
    int LogIt(int level, const char* moduleName, const char* fileName, int lineNumber, const char* format,
              std::va_list arguments);
};

namespace util {

/// The log path that records go to, without creating anything: log_path when
/// it is set, else the default path that GetLogFilePath would fill in (neither
/// the log directory nor log_path is created or changed). Writes it into
/// buffer and returns 1; returns 0, with buffer empty, when no path can be
/// formed or it does not fit in size bytes. Takes the log lock.
UTIL_API int peekLogFilePath(char* buffer, unsigned long size);

}  // namespace util

#endif
