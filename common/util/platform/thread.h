// Threads: creation (optionally suspended), suspension, forced stop, priority,
// waiting and sleeping.
//
// Windows: _beginthreadex / CreateThread, SuspendThread, ResumeThread,
// TerminateThread, SetThreadPriority; the handle is the Win32 thread handle.
//
// POSIX: pthreads; the handle is the library's own control block, not an OS
// handle. Limits of the POSIX stand-ins:
//  - A thread created suspended is started by the OS at once but waits at a
//    start gate, before it calls the routine, until its suspend count reaches 0.
//  - Suspending a running thread sends it the signal SIGRTMIN+6, whose handler
//    parks the thread (sigsuspend) until the count is back at 0 and SIGRTMIN+7
//    wakes it. The handlers are installed by the first thread creation, with
//    SA_RESTART. As on Windows the suspension is asynchronous, and a thread
//    parked while it holds a lock (its own or the C library's) blocks every
//    thread that needs that lock. A thread may suspend itself: it parks inside
//    suspendThread, holding no lock of the library, until another thread
//    resumes it.
//  - What a suspension interrupts: the library's own waits (sleepMilliseconds,
//    events, thread waits) go on to their end. read, write and the other calls
//    that SA_RESTART restarts go on too. Calls that Linux never restarts fail
//    with EINTR once the thread is resumed: sleep, usleep, nanosleep,
//    clock_nanosleep, poll, select, epoll_wait, sigtimedwait, and reads or
//    writes on a socket with a receive or send time-out. Code that suspends
//    threads which use them must retry on EINTR.
//  - The forced stop never unwinds the thread (no cancellation, no
//    exception): it parks the thread for good through the same signal, as
//    TerminateThread stops it where it is. A busy thread is stopped too, and
//    a thread inside a noexcept destructor is stopped there without ending
//    the process. The parked thread keeps its stack, its thread-local data,
//    its kernel thread (asleep, every signal blocked) and every lock it holds
//    (as on Windows, a lock it held stays held for good; if that is the log
//    lock, a later fork waits for ever too); no destructor and no
//    thread-exit handler of it runs. Its exit code is the one given.
//    terminateThread returns once the thread is parked or has ended, so that
//    its caller may free what the thread used. A thread that keeps SIGRTMIN+6
//    blocked cannot be suspended or stopped until it lets it through, and
//    terminateThread waits for that. A thread of this library is never parked
//    while it is inside one of the calls below on any thread (they hold a
//    control lock); the suspension or stop takes effect when the call returns.
//  - Priorities take the Win32 thread-priority values and map to the thread's
//    nice value (Linux keeps one per thread): -15 idle 19, -2 lowest 10, -1 below
//    normal 5, 0 normal 0, 1 above normal -5, 2 highest -10, 15 time-critical
//    -20. Raising it needs the privilege to do so; other values fail.
#ifndef UTIL_PLATFORM_THREAD_H
#define UTIL_PLATFORM_THREAD_H

#include <cstdint>

namespace util {
namespace platform {

/// A thread handle; defined by each backend, never by its users.
struct Thread;

/// The one conversion between a thread handle and the void* field that an
/// exported class stores it in.
inline Thread* threadFromField(void* field) { return static_cast<Thread*>(field); }
inline void* threadToField(Thread* thread) { return thread; }

/// The start routine of a thread; its result becomes the thread's exit code.
using ThreadRoutine = unsigned long (*)(void* argument);

/// What suspendThread / resumeThread return on failure (Win32's (DWORD)-1).
constexpr unsigned long kThreadCallFailed = 0xFFFFFFFFul;

/// Starts routine(argument) on a new thread with the default stack, suspended
/// when `suspended` (it then runs after resumeThread). Stores the thread's id in
/// *threadId when that is not null. Returns the handle, or null on failure.
Thread* createThread(ThreadRoutine routine, void* argument, bool suspended, std::uint32_t* threadId);
/// Starts routine(argument) on a thread that nobody waits for (CreateThread,
/// then CloseHandle at once). Returns false when no thread could be started.
bool startDetachedThread(ThreadRoutine routine, void* argument);
/// Frees the handle; the thread, if it still runs, goes on. Null is ignored.
/// REQUIRES: not closed before.
void closeThread(Thread* thread);

/// Raises the suspend count and returns its previous value; a count above 0
/// stops the thread. kThreadCallFailed when the thread has ended (POSIX) or the
/// call fails.
unsigned long suspendThread(Thread* thread);
/// Lowers the suspend count (not below 0) and returns its previous value; the
/// thread runs again at 0. kThreadCallFailed when the call fails.
unsigned long resumeThread(Thread* thread);
/// Stops the thread by force with exitCode as its exit code, without running
/// any of its code again. A thread that has already ended keeps its exit code
/// (and the call returns true). Returns false when it cannot. See the POSIX
/// limits above.
bool terminateThread(Thread* thread, unsigned long exitCode);
/// Sets the thread's priority (Win32 values). Returns false on failure.
bool setThreadPriority(Thread* thread, int priority);

/// Waits up to timeoutMs (kWaitForever from event.h: no limit) for the thread
/// to end. Returns true when it has ended.
bool waitForThread(Thread* thread, unsigned long timeoutMs);
/// Stores the exit code of an ended thread in *exitCode and returns true;
/// returns false while it runs.
bool threadExitCode(Thread* thread, unsigned long* exitCode);

/// Sleep (Windows) / nanosleep (POSIX; sleeps the rest after a signal).
void sleepMilliseconds(unsigned long milliseconds);

}  // namespace platform
}  // namespace util

#endif
