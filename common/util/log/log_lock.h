// The process-wide log lock: one recursive lock that serialises the opening,
// rotation, writing and closing of the log file and the filling of its paths.
#ifndef UTIL_LOG_LOG_LOCK_H
#define UTIL_LOG_LOG_LOCK_H

namespace util {

/// The log lock, created on first use and never deleted.
void* logLock();

}  // namespace util

#endif
