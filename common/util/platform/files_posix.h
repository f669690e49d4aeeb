// POSIX-only file primitives beside platform/files.h, for the POSIX backends of
// other rooms (the side log, the thread log, the INI engine). Defined in files_posix.cpp.
#ifndef UTIL_PLATFORM_FILES_POSIX_H
#define UTIL_PLATFORM_FILES_POSIX_H

namespace util {
namespace platform {

/// Opens path with open(2) `flags` (O_CREAT makes it with `mode`, less the
/// umask), close-on-exec, without taking a terminal and without blocking on a
/// FIFO. Returns a blocking descriptor when path names a regular file, else -1
/// (no file, a FIFO, a device, a directory; with O_NOFOLLOW, a link).
int openRegularFile(const char* path, int flags, unsigned mode);

/// Opens (creating with `mode`) path for appending, close-on-exec, without
/// following a symbolic link in its last component and without blocking on a
/// FIFO planted there. Returns a blocking descriptor to a regular file, or -1
/// (no file, a link, a FIFO, a device, a directory).
int openAppendNoFollow(const char* path, unsigned mode);

}  // namespace platform
}  // namespace util

#endif
