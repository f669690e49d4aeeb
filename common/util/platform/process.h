// Identity of the calling process and thread, as the logs print them.
#ifndef UTIL_PLATFORM_PROCESS_H
#define UTIL_PLATFORM_PROCESS_H

namespace util {
namespace platform {

/// GetCurrentProcessId on Windows, getpid on POSIX. Always succeeds.
unsigned long currentProcessId();
/// GetCurrentThreadId on Windows, the kernel thread id (gettid) on Linux. Always succeeds.
unsigned long currentThreadId();

}  // namespace platform
}  // namespace util

#endif
