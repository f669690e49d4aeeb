#include "platform/process.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace util {
namespace platform {

unsigned long currentProcessId() { return static_cast<unsigned long>(getpid()); }

unsigned long currentThreadId() { return static_cast<unsigned long>(syscall(SYS_gettid)); }

}  // namespace platform
}  // namespace util
