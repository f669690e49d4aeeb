#include "platform/win_include.h"
#include "support/test_support.h"

namespace util_test {

bool isWindows() { return true; }
void setEnvironment(const char* name, const char* value) { SetEnvironmentVariableA(name, value); }
unsigned long processId() { return GetCurrentProcessId(); }
unsigned long threadId() { return GetCurrentThreadId(); }

}  // namespace util_test
