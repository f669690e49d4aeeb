// The system room's platform side: program start and shell open (Exec,
// StartInternetExplorer; launch_*.cpp), the performance counter (ZnPFTimer;
// counter_*.cpp) and the Windows version (OS; os_version_*.cpp), with the
// portable arithmetic beside each that the tests feed directly. Internal.
#ifndef UTIL_SYSTEM_SYSTEM_PLATFORM_H
#define UTIL_SYSTEM_SYSTEM_PLATFORM_H

#include "system/os_version.h"

namespace util {

// Program start and shell open (launch_win.cpp, launch_posix.cpp; the
// splitter in command_line.cpp).

/// Splits commandLine by CommandLineToArgv's rules without its 32-argument
/// limit: one malloc block (free it with free) of count + 1 pointers, the last
/// null, followed by the cut copy of the line. Null, with *count 0, when memory
/// is short.
char** splitWholeCommandLine(const char* commandLine, int* count);

/// Starts commandLine in directory (null: the current one), waiting for its end
/// when wait is 1. Returns true, or false with the system's error code in *errorCode.
bool startProgram(const char* commandLine, const char* directory, int show, int wait, long* errorCode);

/// Opens target with the system's handler; returns the shell's result (greater
/// than 32 on success), see process_launch.h for POSIX.
int openWithSystemHandler(const char* target);

// The performance counter (counter_win.cpp, counter_posix.cpp; the scaling in pf_timer.cpp).

/// QueryPerformanceFrequency / 1,000,000,000. False when unavailable.
bool readCounterFrequency(long long* frequency);
/// QueryPerformanceCounter / CLOCK_MONOTONIC in nanoseconds. False on failure.
bool readCounter(long long* value);

/// The low 32 bits of (now - start) * scale / frequency, truncated toward zero
/// and computed without 64-bit overflow. REQUIRES: frequency > 0, scale > 0.
int scaleElapsedCounts(long long now, long long start, long long frequency, long long scale);

// The Windows version (os_version_win.cpp, os_version_posix.cpp; the
// classification in os_version.cpp).

/// The reported Windows version.
struct WindowsVersion {
    unsigned long major;
    unsigned long minor;
    unsigned long platformId;
};

/// GetVersionExA on Windows; always false on POSIX.
bool queryWindowsVersion(WindowsVersion* version);

/// The release for a reported version.
_OS_TYPE classifyWindowsVersion(const WindowsVersion& version);

}  // namespace util

#endif
