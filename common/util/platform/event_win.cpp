#include "platform/event.h"

#include "platform/check.h"
#include "platform/win_include.h"

namespace util {
namespace platform {

// An event is its Win32 handle; the struct is never defined here.
Event* createEvent() { return static_cast<Event*>(CreateEventA(nullptr, TRUE, FALSE, nullptr)); }

void closeEvent(Event* event) {
    if (event != nullptr) {
        const BOOL closed = CloseHandle(event);  // fails for a handle closed before
        UTIL_DCHECK(closed != 0);
    }
}

void setEvent(Event* event) {
    if (event != nullptr) {
        SetEvent(event);
    }
}

void resetEvent(Event* event) {
    if (event != nullptr) {
        ResetEvent(event);
    }
}

WaitResult waitForEvent(Event* event, unsigned long timeoutMs, bool alertable) {
    if (event == nullptr) {
        return WaitResult::Failed;
    }
    const DWORD result =
        alertable ? WaitForSingleObjectEx(event, timeoutMs, TRUE) : WaitForSingleObject(event, timeoutMs);
    switch (result) {
        case WAIT_OBJECT_0: return WaitResult::Signalled;
        case WAIT_TIMEOUT: return WaitResult::TimedOut;
        case WAIT_IO_COMPLETION: return WaitResult::Interrupted;
        default: return WaitResult::Failed;
    }
}

}  // namespace platform
}  // namespace util
