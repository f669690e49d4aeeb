// Atomic operations on plain 32-bit Win32-style counters and flags: the
// Interlocked* family on Windows, the compiler's __atomic builtins (the same
// operations std::atomic uses) on POSIX. Every operation is sequentially
// consistent, so a counter or flag that is only touched through these functions
// needs no lock. `long` is 32 bits on Windows and 64 bits on LP64 POSIX.
#ifndef UTIL_PLATFORM_INTERLOCKED_H
#define UTIL_PLATFORM_INTERLOCKED_H

namespace util {
namespace platform {

/// Adds one and returns the new value.
long interlockedIncrement(long* value);
/// Subtracts one and returns the new value.
long interlockedDecrement(long* value);
/// Stores newValue and returns the value it replaced.
long interlockedExchange(long* value, long newValue);
/// Stores newValue only when *value equals expected; returns the value found.
long interlockedCompareExchange(long* value, long newValue, long expected);
/// Reads the value atomically (a compare-exchange that never changes it).
long interlockedRead(long* value);

/// Stores newValue only when *pointer equals expected; returns the pointer found.
void* interlockedComparePointer(void** pointer, void* newValue, void* expected);
/// Reads a pointer atomically.
void* atomicLoadPointer(void* const* pointer);

/// Atomic load and store of an int flag, for flags that one thread writes and
/// another polls.
int atomicLoad(const int* flag);
void atomicStore(int* flag, int value);

}  // namespace platform
}  // namespace util

#endif
