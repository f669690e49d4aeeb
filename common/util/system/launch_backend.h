// The platform side of Exec and StartInternetExplorer.
#ifndef UTIL_SYSTEM_LAUNCH_BACKEND_H
#define UTIL_SYSTEM_LAUNCH_BACKEND_H

namespace util {

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

}  // namespace util

#endif
