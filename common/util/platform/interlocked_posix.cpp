#include "platform/interlocked.h"

namespace util {
namespace platform {

long interlockedIncrement(long* value) { return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST); }

long interlockedDecrement(long* value) { return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST); }

long interlockedExchange(long* value, long newValue) { return __atomic_exchange_n(value, newValue, __ATOMIC_SEQ_CST); }

long interlockedCompareExchange(long* value, long newValue, long expected) {
    __atomic_compare_exchange_n(value, &expected, newValue, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return expected;  // on failure the builtin stored the value it found here
}

long interlockedRead(long* value) { return __atomic_load_n(value, __ATOMIC_SEQ_CST); }

void* interlockedComparePointer(void** pointer, void* newValue, void* expected) {
    __atomic_compare_exchange_n(pointer, &expected, newValue, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return expected;
}

void* atomicLoadPointer(void* const* pointer) { return __atomic_load_n(pointer, __ATOMIC_SEQ_CST); }

int atomicLoad(const int* flag) { return __atomic_load_n(flag, __ATOMIC_SEQ_CST); }

void atomicStore(int* flag, int value) { __atomic_store_n(flag, value, __ATOMIC_SEQ_CST); }

}  // namespace platform
}  // namespace util
