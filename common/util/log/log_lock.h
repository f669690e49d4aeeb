// The process-wide log lock: one recursive lock that serialises the opening,
// rotation, writing and closing of the log file and the filling of its paths.
#ifndef UTIL_LOG_LOG_LOCK_H
#define UTIL_LOG_LOG_LOCK_H

#include "platform/lock.h"

namespace util {

/// The log lock, created on first use (by the library's own loggers at load).
/// POSIX: guarded across fork (see platform/lock.h).
platform::Lock* logLock();

/// Deletes the log lock when the library is unloaded (Windows, FreeLibrary),
/// never when the process ends. Nothing may log afterwards.
void releaseLogLock();

}  // namespace util

#endif
