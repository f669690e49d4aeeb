// SharedObject: the base of objects that several threads use at once. It gives
// a derived class a recursive lock (Lock / Unlock, or a Synchronizer), a
// reference count, an idle event that tells a waiting owner when the last user
// has released the object, and a shutdown sequence:
//   PreShutdown(), wait until the count is 0, PostShutdown(), delete.
// Objects must come from `new`: the sequence ends by deleting them.
//
// Two ways to end an object:
//  - Self-destroying: users AddRef and Release; the Release that brings the
//    count to 0 runs the sequence on its own thread, unless an owner waits.
//  - Owner-driven: users AddRef; the owner calls Shutdown(0) (on its thread) or
//    Shutdown(1) (on a new thread, returning at once) while users still hold
//    references. PreShutdown runs at once; each later Release only counts down,
//    and the Release that reaches 0 wakes the sequence, which then deletes the
//    object. The owner holds no reference of its own and must not touch the
//    object after Shutdown. If the users may all release before the owner
//    calls Shutdown, the owner first calls GetIdleEvent (before it hands out
//    references): otherwise the last Release destroys the object as in
//    self-destroying use, and the owner's later Shutdown would touch freed memory.
//
//   class Session : public SharedObject { ... };
//   Session* session = new Session;          // count 0
//   session->AddRef();                       // handed to a worker
//   ...                                      // the worker calls Release when done
//   session->Shutdown(0);                    // returns once the worker released
//
// A process-wide count of live shared objects goes with an event that is set
// when the count falls to 0; WaitAllIdle waits for it.
//
// Platform differences: the lock is a CRITICAL_SECTION on Windows and a
// recursive pthread mutex on POSIX; the events are Win32 events on Windows and
// the library's own event objects on POSIX, so the address that GetIdleEvent
// returns holds a handle that only Windows callers can wait on with OS calls.
// `long` counters are 32 bits on Windows and 64 on LP64 POSIX.
//
// Choices and safeguards made here:
//  - Copying is forbidden: a copy would share the lock and the events, and both
//    destructors would free them.
//  - Shutdown sets the waiting flag before PreShutdown runs, so a user whose
//    Release reaches 0 while PreShutdown still runs only signals the idle event
//    and never starts a second sequence (which would delete the object twice).
//  - The Release that takes the count from 1 to 0 does so while holding a
//    private hand-off lock (one of a small process-wide table, picked by the
//    object's address), and WaitIdle, once it sees the count at 0, takes and
//    leaves that lock before it returns. So the sequence never deletes the
//    object while that Release is still reading it or setting its idle event.
//    Neither takes the object's own lock (Lock / Unlock): an owner may hold it,
//    through a Synchronizer, while it waits for idle. Releases that leave the
//    count above 0 take no lock.
//  - If Shutdown(1) cannot start its thread, nothing else happens and nothing
//    is reported: the object stays alive, waiting for an owner, and is leaked.
//  - The idle and all-idle events are set and read only through atomic
//    operations; a wait that fails (no idle event) is retried every millisecond.
#ifndef UTIL_SYNC_SHARED_OBJECT_H
#define UTIL_SYNC_SHARED_OBJECT_H

#include "platform/export.h"

class UTIL_API SharedObject {
public:
    /// Stores the name pointer (not a copy: the text must outlive the object),
    /// creates the lock and the idle event. Failures show only in IsValid.
    SharedObject(const char* name = "Unknown");
    /// Frees the lock and the idle event and counts the object out of the live
    /// objects; the last one sets the all-idle event.
    virtual ~SharedObject() = 0;

    SharedObject(const SharedObject&) = delete;
    SharedObject& operator=(const SharedObject&) = delete;

    /// Raises the reference count; returns the new count.
    unsigned long AddRef();
    /// Lowers the count and returns the new count. At 0 it sets the idle event
    /// when an owner waits, and otherwise runs the shutdown sequence (deleting
    /// the object) on this thread; it returns 0 in both cases. A Release
    /// without its AddRef drives the count negative (and IsValid to 0).
    unsigned long Release();
    /// 1 when the count is 0.
    int IsIdle();
    /// Marks that an owner waits, then blocks until the count is 0.
    void WaitIdle();
    /// Marks that an owner waits and returns the address of the idle event's
    /// handle. The event is manual-reset and never reset once set.
    void** GetIdleEvent();
    /// inThread == 1: runs the sequence on a new thread and returns at once.
    /// Any other value: runs it on this thread. Either way the object is gone
    /// afterwards; the caller must not touch it again.
    void Shutdown(int inThread);
    /// Makes IsValid report 0; nothing else looks at it.
    void Invalid();
    /// 1 when the name, the lock and the idle event exist, the count is not
    /// negative and Invalid has not been called; 0 otherwise.
    int IsValid();
    /// Enter / leave the object's lock (recursive); nothing when it has none.
    /// Lock tries the lock a few dozen times, pausing briefly between tries,
    /// before it waits: the lock guards short stretches, and a wait and a
    /// wake-up cost far more than the holder takes to let go.
    virtual void Lock();
    virtual void Unlock();
    /// The stored name, or "Unknown" when it is null.
    const char* Name();
    /// Blocks until the live-object count has fallen to 0 at least once since
    /// the first shared object was made; returns at once if none ever was.
    static void WaitAllIdle();

protected:
    /// Hooks of the shutdown sequence; the base versions do nothing.
    virtual void PreShutdown();
    virtual void PostShutdown();

private:
    static void DoShutdown(SharedObject* object);
    static unsigned long ShutdownThreadProc(void* object);

    const char* pszName;
    void* pCritSec;
    long lWaiting;
    long lRefCount;
    void* hIdleEvent;
    long lValid;

    static long ulObjectCount;
    static void* hAllIdleEvent;
};

#endif
