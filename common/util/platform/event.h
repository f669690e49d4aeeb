// Manual-reset events: once set, an event releases every waiter until it is
// reset. A Win32 event (CreateEventA) on Windows; on POSIX the library's own
// event object, a mutex, a condition variable on the monotonic clock and a
// generation count, so that setting an event releases every thread waiting at
// that moment even if the event is reset before they run (as on Windows).
// POSIX events are not OS handles: only these functions can wait on them.
#ifndef UTIL_PLATFORM_EVENT_H
#define UTIL_PLATFORM_EVENT_H

namespace util {
namespace platform {

/// The time-out that waits without limit (Win32 INFINITE).
constexpr unsigned long kWaitForever = 0xFFFFFFFFul;

enum class WaitResult {
    Signalled,    // the event was set
    TimedOut,     // the time-out passed first
    Interrupted,  // Windows only: an APC ran during an alertable wait
    Failed        // a null or broken event: the wait did not take place
};

/// An event; defined by each backend, never by its users.
struct Event;

/// The one conversion between an event and the void* field that an exported
/// class stores it in.
inline Event* eventFromField(void* field) { return static_cast<Event*>(field); }
inline void* eventToField(Event* event) { return event; }

/// An unnamed manual-reset event, initially not set. Returns null on failure.
Event* createEvent();
/// Frees an event from createEvent. Null is ignored.
/// REQUIRES: no thread waits on it or is still inside setEvent on it; not closed before.
void closeEvent(Event* event);
/// Set / reset. Both ignore a null event.
void setEvent(Event* event);
void resetEvent(Event* event);
/// Waits until the event is set or timeoutMs milliseconds have passed
/// (kWaitForever: no limit). `alertable` makes the Windows wait alertable
/// (WaitForSingleObjectEx); POSIX has no APCs and never returns Interrupted.
WaitResult waitForEvent(Event* event, unsigned long timeoutMs, bool alertable = false);

}  // namespace platform
}  // namespace util

#endif
