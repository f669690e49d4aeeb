// What the error-text tests expect of each platform, kept together.
#ifndef UTIL_TESTS_LOG_LAST_ERROR_PLATFORM_TEST_H
#define UTIL_TESTS_LOG_LAST_ERROR_PLATFORM_TEST_H

#include <string>

namespace util_test {

/// Two system codes and their exact texts on this platform.
extern const unsigned long kKnownSystemCode;
extern const std::string kKnownSystemText;
extern const unsigned long kOtherSystemCode;
extern const std::string kOtherSystemText;
/// The native value of "connection reset" (10054 on Windows, ECONNRESET on POSIX).
extern const unsigned long kConnectionResetNative;

void setThreadLastError(unsigned long code);
void setThreadSocketError(unsigned long code);

}  // namespace util_test

#endif
