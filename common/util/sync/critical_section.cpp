#include "sync/critical_section.h"

#include "platform/lock.h"

ZnCriticalSection::ZnCriticalSection() : pCritSec(nullptr) {}

ZnCriticalSection::~ZnCriticalSection() {
    if (pCritSec != nullptr) {
        util::platform::deleteCriticalSection(util::platform::lockFromField(pCritSec));
        pCritSec = nullptr;
    }
}

unsigned long ZnCriticalSection::Initialize() {
    if (pCritSec != nullptr) {
        return 1;
    }
    try {
        pCritSec = util::platform::lockToField(util::platform::createCriticalSection());
    } catch (...) {
        pCritSec = nullptr;
    }
    return pCritSec != nullptr ? 1 : 0;
}

void ZnCriticalSection::Enter() {
    if (pCritSec != nullptr) {
        util::platform::enterCriticalSection(util::platform::lockFromField(pCritSec));
    }
}

void ZnCriticalSection::Leave() {
    if (pCritSec != nullptr) {
        util::platform::leaveCriticalSection(util::platform::lockFromField(pCritSec));
    }
}

// Synchronizer(void**) takes the object's address as the address of its lock pointer.
static_assert(sizeof(ZnCriticalSection) == sizeof(void*), "ZnCriticalSection is its lock pointer alone");
