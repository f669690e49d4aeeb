#include "platform/interlocked.h"

#include "platform/win_include.h"

namespace util {
namespace platform {

static_assert(sizeof(long) == sizeof(LONG), "Interlocked operations work on 32-bit LONG");

long interlockedIncrement(long* value) { return InterlockedIncrement(value); }

long interlockedDecrement(long* value) { return InterlockedDecrement(value); }

long interlockedExchange(long* value, long newValue) { return InterlockedExchange(value, newValue); }

long interlockedCompareExchange(long* value, long newValue, long expected) {
    return InterlockedCompareExchange(value, newValue, expected);
}

long interlockedRead(long* value) { return InterlockedCompareExchange(value, 0, 0); }

void* interlockedComparePointer(void** pointer, void* newValue, void* expected) {
    return InterlockedCompareExchangePointer(pointer, newValue, expected);
}

void* atomicLoadPointer(void* const* pointer) { return __atomic_load_n(pointer, __ATOMIC_SEQ_CST); }

int atomicLoad(const int* flag) { return __atomic_load_n(flag, __ATOMIC_SEQ_CST); }

void atomicStore(int* flag, int value) { __atomic_store_n(flag, value, __ATOMIC_SEQ_CST); }

}  // namespace platform
}  // namespace util
