// The default constructors read GetLastError and WSAGetLastError.
#include <gtest/gtest.h>

#include "log/last_error.h"
#include "platform/win_include.h"

TEST(LastError, DefaultConstructorsReadTheThreadsLastError) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(static_cast<int>(LastError()), ERROR_FILE_NOT_FOUND);
    WSASetLastError(WSAECONNRESET);
    WinsockLastError socketError;
    EXPECT_EQ(socketError.code, 10054u);
    EXPECT_STREQ(static_cast<char*>(socketError), "Connection reset by peer");
}
