// ZnThread: the base class of worker threads. Derive, override Execute (and
// optionally PreExecute / PostExecute), then Create and Resume:
//
//   class Worker : public ZnThread {
//     protected:
//       unsigned long Execute() override {
//           while (!bTerminate) { ...one piece of work... }
//           return 0;
//       }
//   };
//   Worker* worker = new Worker;
//   worker->Create(0);   // the thread exists but waits, suspended
//   worker->Resume();    // PreExecute, Execute, PostExecute run on it
//   delete worker;       // asks it to stop (bTerminate), waits up to 6 s, then kills it
//
// Create(1) makes the object self-owned: it deletes itself on its own thread
// after PostExecute. Such an object must come from `new`, and its owner must
// not touch it once it may have finished.
//
// The destructor of this base class stops a thread that still runs: Terminate,
// then up to 300 polls of 20 ms for IsTerminated, then the forced stop with
// exit code 0xFFFFFFFF. It runs after the derived part is destroyed, and from
// then on the thread's remaining virtual calls reach the base versions; a
// derived class whose Execute uses its own members should stop the thread in
// its own destructor (Terminate, then wait for IsTerminated).
//
// Platform differences (see platform/thread.h for the POSIX stand-ins):
//  - Windows: _beginthreadex (CREATE_SUSPENDED), SuspendThread, ResumeThread,
//    TerminateThread, SetThreadPriority; GetHandle is the Win32 thread handle and
//    GetId the Win32 thread id.
//  - POSIX: a pthread that waits at a start gate until Resume; Suspend parks
//    the running thread with a signal (a thread may Suspend itself; its owner's
//    Resume lets it go on); GetHandle is the library's own control block (no
//    OS handle) and GetId the kernel thread id. SetPriority maps the Win32
//    values to the thread's nice value.
//  - Suspension and blocking calls (POSIX): the park signal is installed with
//    SA_RESTART, so read, write and the library's own waits go on after a
//    Resume, but the calls Linux never restarts (sleep, usleep, nanosleep,
//    poll, select, epoll_wait, socket calls with a time-out) return EINTR in a
//    suspended-then-resumed thread; an Execute that suspends itself or is
//    suspended by its owner should retry them. Windows has no such effect.
//  - The forced stop of the destructor (POSIX) parks the thread for good
//    without unwinding it, as TerminateThread stops it where it is: a busy
//    thread is stopped, a thread inside a noexcept destructor too, and the
//    process never aborts. The parked thread keeps its stack, its thread-local
//    data, a sleeping kernel thread and every lock it holds (a lock it held
//    stays held, as on Windows); none of its destructors runs. Its exit code is
//    0xFFFFFFFF.
//  - LogEvent appends to "C:\ThrdLog.txt" on Windows and to "/tmp/ThrdLog.txt"
//    on POSIX, opened with O_NOFOLLOW (a symbolic link there is refused) and
//    created with mode 0600.
//
// Choices made here:
//  - Copying is forbidden: a copy would share the thread handle.
//  - Create on an object that already has a thread returns 0 and changes nothing.
//  - LogEvent with a null text writes an empty line (CR LF alone).
//  - Resume clears bSuspended before it resumes the thread, Suspend sets it
//    before it suspends (both restored if the call fails), and Terminate sets
//    bTerminate before it resumes: a self-deleting thread may end and delete the
//    object as soon as it runs, so nothing is written to the object after that.
//  - The state flags are ints as the interface gives them, but the library reads
//    and writes them atomically, because the owner and the thread use them at
//    the same time. A derived Execute should read bTerminate atomically too
//    (__atomic_load_n), or it races with Terminate.
#ifndef UTIL_SYNC_ZN_THREAD_H
#define UTIL_SYNC_ZN_THREAD_H

#include <cstdint>

#include "platform/export.h"

class UTIL_API ZnThread {
public:
    ZnThread();
    /// Stops a thread that still runs (see above) and closes the handle.
    virtual ~ZnThread();

    ZnThread(const ZnThread&) = delete;
    ZnThread& operator=(const ZnThread&) = delete;

    /// Starts the thread suspended. autoDelete non-zero: the object deletes
    /// itself after PostExecute. Returns 1, or 0 when the thread could not be
    /// started or the object already has one.
    unsigned long Create(int autoDelete);
    /// Win32 thread-priority values. Returns 1, or 0 without a thread or on failure.
    unsigned long SetPriority(int priority);
    operator void*() const;
    void* GetHandle() const;
    unsigned long GetId();
    unsigned long GetErrorCode();

    /// 1 when the thread is (now) suspended; 0 without a thread or on failure.
    virtual unsigned long Suspend();
    /// 1 when the thread is (now) running; 0 without a thread or on failure.
    virtual unsigned long Resume();
    /// Sets bTerminate and resumes the thread; does not wait. 0 without a thread.
    virtual unsigned long Terminate();
    virtual int IsTerminated();
    virtual int IsSuspended();
    virtual int IsValid();

    /// Appends text and CR LF to the fixed trace file; every failure is ignored.
    static void LogEvent(const char* text);

protected:
    /// The work; its result is the thread's exit code. The base returns 1.
    virtual unsigned long Execute();
    /// Runs before Execute on the thread; the base does nothing.
    virtual void PreExecute();
    /// Runs after Execute on the thread; the base sets bTerminated, then
    /// deletes the object when it was created with autoDelete.
    virtual void PostExecute();

    std::uint32_t ulErrorCode;
    int bTerminate;
    void* hThread;
    std::uint32_t ulThreadId;
    int bTerminated;
    int bSuspended;
    int bValid;
    int bAutoDelete;

private:
    static unsigned long ThreadStartProc(void* object);
};

#endif
