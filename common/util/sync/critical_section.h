// ZnCriticalSection: a recursive lock that lives on the heap and is created on
// demand by Initialize. Until then Enter and Leave do nothing, so an object can
// be declared early and made real only where it is needed.
//
//   ZnCriticalSection section;
//   if (section.Initialize()) { section.Enter(); ...; section.Leave(); }
//   Synchronizer hold(reinterpret_cast<void**>(&section));  // scope lock
//
// The lock is a Win32 CRITICAL_SECTION on Windows and a recursive pthread mutex
// on POSIX; on both the same thread may enter it again, and needs one Leave per
// Enter. pCritSec is the object's first and only field, so the object's address
// is the address of its lock pointer (what Synchronizer(void**) relies on).
//
// Choices made here:
//  - Copying is forbidden: a copy would share the lock and both destructors
//    would free it.
//  - A second Initialize keeps the lock it already has and returns 1: the lock
//    may be held, so it is neither replaced nor initialised again.
#ifndef UTIL_SYNC_CRITICAL_SECTION_H
#define UTIL_SYNC_CRITICAL_SECTION_H

#include "platform/export.h"

class UTIL_API ZnCriticalSection {
public:
    /// Creates no lock yet.
    ZnCriticalSection();
    /// Frees the lock when there is one. REQUIRES: no thread holds it.
    ~ZnCriticalSection();

    ZnCriticalSection(const ZnCriticalSection&) = delete;
    ZnCriticalSection& operator=(const ZnCriticalSection&) = delete;

    /// Allocates and initialises the lock under a catch-all guard. Returns 1 on
    /// success (or when the lock already exists), 0 when it could not be made.
    unsigned long Initialize();
    /// Enter / leave the lock; both do nothing before Initialize has succeeded.
    void Enter();
    void Leave();

private:
    void* pCritSec;
};

#endif
