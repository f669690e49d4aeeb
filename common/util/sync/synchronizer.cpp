#include "sync/synchronizer.h"

#include "platform/lock.h"
#include "sync/shared_object.h"

Synchronizer::Synchronizer(void** lockAddress) : ppCritSec(lockAddress), pObject(nullptr) {
    if (ppCritSec != nullptr && *ppCritSec != nullptr) {
        util::platform::enterCriticalSection(util::platform::lockFromField(*ppCritSec));
    }
}

Synchronizer::Synchronizer(SharedObject* object) : ppCritSec(nullptr), pObject(object) {
    if (pObject != nullptr) {
        pObject->Lock();
    }
}

Synchronizer::~Synchronizer() {
    if (ppCritSec != nullptr) {
        if (*ppCritSec != nullptr) {
            util::platform::leaveCriticalSection(util::platform::lockFromField(*ppCritSec));
        }
    } else if (pObject != nullptr) {
        pObject->Unlock();
    }
}
