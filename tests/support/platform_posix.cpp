#include <sys/syscall.h>
#include <unistd.h>

#include "support/test_support.h"

namespace util_test {

bool isWindows() { return false; }
unsigned long processId() { return static_cast<unsigned long>(getpid()); }
unsigned long threadId() { return static_cast<unsigned long>(syscall(SYS_gettid)); }

}  // namespace util_test
