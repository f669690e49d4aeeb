#include "platform/lock.h"

#include <pthread.h>

#include <new>

namespace util {
namespace platform {

void* createCriticalSection() {
    auto* mutex = new (std::nothrow) pthread_mutex_t;
    if (mutex == nullptr) {
        return nullptr;
    }
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    const int failed = pthread_mutex_init(mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    if (failed != 0) {
        delete mutex;
        return nullptr;
    }
    return mutex;
}

void deleteCriticalSection(void* lock) {
    if (lock == nullptr) {
        return;
    }
    auto* mutex = static_cast<pthread_mutex_t*>(lock);
    pthread_mutex_destroy(mutex);
    delete mutex;
}

void enterCriticalSection(void* lock) { pthread_mutex_lock(static_cast<pthread_mutex_t*>(lock)); }

void leaveCriticalSection(void* lock) { pthread_mutex_unlock(static_cast<pthread_mutex_t*>(lock)); }

bool tryEnterCriticalSection(void* lock) { return pthread_mutex_trylock(static_cast<pthread_mutex_t*>(lock)) == 0; }

}  // namespace platform
}  // namespace util
