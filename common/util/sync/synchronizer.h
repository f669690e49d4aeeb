// Synchronizer: a scope lock. It locks a raw lock or a SharedObject when it is
// built and unlocks it when it goes out of scope.
//
//   { Synchronizer hold(queue); ... }                                  // SharedObject::Lock/Unlock
//   { Synchronizer hold(reinterpret_cast<void**>(&section)); ... }     // a ZnCriticalSection
//
// The void** form takes the address of a variable that holds a lock pointer
// (CRITICAL_SECTION* on Windows, the platform lock on POSIX), such as a
// ZnCriticalSection, whose address is that of its lock pointer. A null address
// or a null lock pointer locks nothing. The pointer is read again at unlock, so
// the variable must still hold the same lock then. The SharedObject form goes
// through the virtual Lock and Unlock, so overrides are used; a null object
// locks nothing.
//
// Choice made here: copying is forbidden (a copy would unlock a second time).
#ifndef UTIL_SYNC_SYNCHRONIZER_H
#define UTIL_SYNC_SYNCHRONIZER_H

#include "platform/export.h"

class SharedObject;

class UTIL_API Synchronizer {
public:
    explicit Synchronizer(void** ppCritSec);
    explicit Synchronizer(SharedObject* object);
    ~Synchronizer();

    Synchronizer(const Synchronizer&) = delete;
    Synchronizer& operator=(const Synchronizer&) = delete;

private:
    void** ppCritSec;
    SharedObject* pObject;
};

#endif
