// Identity of the calling process and thread, as the logs print them.
#ifndef UTIL_PLATFORM_PROCESS_H
#define UTIL_PLATFORM_PROCESS_H

namespace util {
namespace platform {

/// GetCurrentProcessId on Windows, getpid on POSIX (cached; a forked child
/// reads its own). Always succeeds.
unsigned long currentProcessId();
/// GetCurrentThreadId on Windows, the kernel thread id (gettid, cached per
/// thread) on Linux. Always succeeds.
unsigned long currentThreadId();

}  // namespace platform
}  // namespace util

#endif
