#include "platform/event.h"

#include "platform/win_include.h"

namespace util {
namespace platform {

void* createEvent() { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }

void closeEvent(void* event) {
    if (event != nullptr) {
        CloseHandle(event);
    }
}

void setEvent(void* event) {
    if (event != nullptr) {
        SetEvent(event);
    }
}

void resetEvent(void* event) {
    if (event != nullptr) {
        ResetEvent(event);
    }
}

WaitResult waitForEvent(void* event, unsigned long timeoutMs, bool alertable) {
    if (event == nullptr) {
        return WaitResult::Failed;
    }
    const DWORD result = alertable ? WaitForSingleObjectEx(event, timeoutMs, TRUE)
                                   : WaitForSingleObject(event, timeoutMs);
    switch (result) {
        case WAIT_OBJECT_0:
            return WaitResult::Signalled;
        case WAIT_TIMEOUT:
            return WaitResult::TimedOut;
        case WAIT_IO_COMPLETION:
            return WaitResult::Interrupted;
        default:
            return WaitResult::Failed;
    }
}

}  // namespace platform
}  // namespace util
