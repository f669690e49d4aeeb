// The tracer's part in a thread's end on Windows, where DllMain sees it.
#ifndef UTIL_TRACE_THREAD_DETACH_H
#define UTIL_TRACE_THREAD_DETACH_H

namespace util {
namespace trace {

/// Called from DllMain on DLL_THREAD_DETACH, on the ending thread: closes that
/// thread's viewer connection, if it has one. Takes no lock, since the loader
/// lock is held.
void threadDetaching();

}  // namespace trace
}  // namespace util

#endif
