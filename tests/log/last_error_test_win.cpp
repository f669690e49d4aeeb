// Windows expectations of the error-text tests: system message texts, which
// FormatMessageA gives with their "\r\n".
#include "log/last_error_platform_test.h"
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

const unsigned long kKnownSystemCode = ERROR_FILE_NOT_FOUND;
const std::string kKnownSystemText = systemText(ERROR_FILE_NOT_FOUND);
const unsigned long kOtherSystemCode = ERROR_ACCESS_DENIED;
const std::string kOtherSystemText = systemText(ERROR_ACCESS_DENIED);
const unsigned long kConnectionResetNative = WSAECONNRESET;

void setThreadLastError(unsigned long code) { SetLastError(code); }
void setThreadSocketError(unsigned long code) { WSASetLastError(static_cast<int>(code)); }

}  // namespace util_test

#include <gtest/gtest.h>

#include "log/last_error.h"

namespace {

TEST(LastErrorWindows, KeepsTheSystemTextWithItsLineEnd) {
    LastError error(ERROR_FILE_NOT_FOUND);
    const std::string text = static_cast<char*>(error);
    ASSERT_GE(text.size(), 3u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

}  // namespace
