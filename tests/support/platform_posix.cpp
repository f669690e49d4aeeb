#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>

#include "support/test_support.h"

namespace util_test {

bool isWindows() { return false; }
void setEnvironment(const char* name, const char* value) {
    if (value != nullptr) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}
unsigned long processId() { return static_cast<unsigned long>(getpid()); }
unsigned long threadId() { return static_cast<unsigned long>(syscall(SYS_gettid)); }

}  // namespace util_test
