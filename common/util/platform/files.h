// File-system primitives: the executable's path, directories, the path rules of
// each platform, and the append-open that log records use.
#ifndef UTIL_PLATFORM_FILES_H
#define UTIL_PLATFORM_FILES_H

#include <cstddef>

namespace util {
namespace platform {

/// '\\' on Windows, '/' on POSIX.
extern const char kPathSeparator;

/// Writes the full path of the process's main executable (not of the library)
/// into buffer and the offset of its file-name part into *nameOffset.
/// Windows: GetModuleFileNameA on GetModuleHandleA(NULL), then GetFullPathNameA,
/// each into `size` bytes. POSIX: the target of /proc/self/exe.
/// Returns false, leaving buffer empty, when the path cannot be read or does not
/// fit into `size` bytes with its terminator.
bool executableFullPath(char* buffer, std::size_t size, std::size_t* nameOffset);

/// _mkdir on Windows, mkdir(path, 0777) on POSIX. Failure (the directory exists,
/// no permission) is ignored by design: a later open reports it.
void makeDirectory(const char* path);

/// True when a log name names its own place rather than one inside the log
/// directory: on Windows when its second character is ':' and its third '\\'
/// ("D:\\x.log"), on POSIX when it starts with '/'.
bool isAbsoluteLogName(const char* name);

/// Opens (creating) path for appending. Windows: CreateFileA with append-data
/// access and no write-data access (each write lands at the end of the file in
/// one step, also between processes), wrapped by _open_osfhandle; each write
/// also holds an exclusive lock on one byte far past the end of the file, for
/// systems whose append is not one step (Wine). POSIX: open with O_APPEND.
/// Returns a descriptor, or -1.
int openForAppend(const char* path);

/// The size in bytes of an open file, read from its descriptor (_fstat / fstat).
/// Returns -1 when it cannot be read.
long long openFileSize(int descriptor);

/// Writes all of data in one system call where the system takes it whole
/// (retrying short writes). On Windows in text mode, as fopen's "at" does: each
/// "\n" is stored as CR LF. Returns false on an error.
bool writeToFile(int descriptor, const char* data, std::size_t size);

/// Closes a descriptor from openForAppend.
void closeFile(int descriptor);

}  // namespace platform
}  // namespace util

#endif
