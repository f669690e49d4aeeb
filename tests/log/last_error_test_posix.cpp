// POSIX expectations of the error-text tests: errno values and strerror texts.
#include <errno.h>

#include "log/last_error_platform_test.h"

namespace util_test {

const unsigned long kKnownSystemCode = ENOENT;
const std::string kKnownSystemText = "No such file or directory";
const unsigned long kOtherSystemCode = EACCES;
const std::string kOtherSystemText = "Permission denied";
const unsigned long kConnectionResetNative = ECONNRESET;

void setThreadLastError(unsigned long code) { errno = static_cast<int>(code); }
void setThreadSocketError(unsigned long code) { errno = static_cast<int>(code); }

}  // namespace util_test
