// Windows expectations of the error-text tests: system message texts as
// FormatMessageA gives them, with their "\r\n".
#include <string>

#include "platform/win_include.h"

namespace util_test {
namespace {

std::string systemText(DWORD code) {
    char buffer[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0x0400, buffer,
                   sizeof buffer, nullptr);
    return buffer;
}

}  // namespace

extern const unsigned long kKnownSystemCode = ERROR_FILE_NOT_FOUND, kOtherSystemCode = ERROR_ACCESS_DENIED;
extern const unsigned long kConnectionResetNative = WSAECONNRESET;
extern const std::string kKnownSystemText = systemText(ERROR_FILE_NOT_FOUND);
extern const std::string kOtherSystemText = systemText(ERROR_ACCESS_DENIED);

void setThreadLastError(unsigned long code) { SetLastError(code); }
void setThreadSocketError(unsigned long code) { WSASetLastError(static_cast<int>(code)); }

}  // namespace util_test
