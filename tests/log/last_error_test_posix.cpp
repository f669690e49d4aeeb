// POSIX expectations of the error-text tests: errno values and strerror texts.
#include <errno.h>

#include <string>

namespace util_test {

extern const unsigned long kKnownSystemCode = ENOENT, kOtherSystemCode = EACCES, kConnectionResetNative = ECONNRESET;
extern const std::string kKnownSystemText = "No such file or directory", kOtherSystemText = "Permission denied";

void setThreadLastError(unsigned long code) { errno = static_cast<int>(code); }
void setThreadSocketError(unsigned long code) { errno = static_cast<int>(code); }

}  // namespace util_test
