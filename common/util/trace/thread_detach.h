// The tracer's part in a thread's end on Windows, where DllMain sees it.
#ifndef UTIL_TRACE_THREAD_DETACH_H
#define UTIL_TRACE_THREAD_DETACH_H

namespace util {
namespace trace {

/// Called from DllMain on DLL_THREAD_DETACH, on the ending thread: closes that
/// thread's viewer connection, if it has one. Takes no lock, since the loader
/// lock is held.
void threadDetaching();

/// Called from DllMain when the DLL is freed (not at process end): closes the
/// calling thread's connection and gives back the TLS index of the records, so
/// that loading the DLL again and again does not use the process's indexes up.
void libraryUnloading();

}  // namespace trace
}  // namespace util

#endif
