#include "platform/clock.h"

#include "platform/win_include.h"

namespace util {
namespace platform {

LocalTime localTimeNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

}  // namespace platform
}  // namespace util
