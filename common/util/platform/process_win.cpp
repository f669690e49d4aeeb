#include "platform/process.h"

#include "platform/win_include.h"

namespace util {
namespace platform {

unsigned long currentProcessId() { return GetCurrentProcessId(); }

unsigned long currentThreadId() { return GetCurrentThreadId(); }

}  // namespace platform
}  // namespace util
