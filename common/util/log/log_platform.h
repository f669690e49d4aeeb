// The platform side of the log room: LastError and WinsockLastError's error
// texts, the debugger output and the side log.
#ifndef UTIL_LOG_LOG_PLATFORM_H
#define UTIL_LOG_LOG_PLATFORM_H

#include <cstdio>

namespace util {

/// GetLastError() / errno of the calling thread.
unsigned long threadLastError();
/// WSAGetLastError() / errno mapped to its Winsock code where it has one.
unsigned long threadSocketError();
/// The system's message for code, allocated with releaseErrorText's allocator,
/// or null when there is none.
char* formatSystemErrorText(unsigned long code);
/// The library's Winsock text for code, allocated likewise, or null when the
/// module handle is null, the code has no text or memory ran out.
char* loadSocketErrorText(unsigned long code);
/// Frees a text from the two functions above (LocalFree / free).
void releaseErrorText(char* text);

/// The compiled-in Winsock text for code, or null (POSIX only).
const char* findSocketErrorText(unsigned long code);

/// The platform's own debugger output: OutputDebugStringA, or the system log /
/// standard error on POSIX.
void platformDebugOutput(const char* text);

/// The side log's fixed path on this platform.
extern const char* const kSideLogPath;
/// Opens path for appending, creating it when missing ("a+" on Windows; on
/// POSIX without following a symbolic link, regular files only). Null on failure.
std::FILE* openSideLog(const char* path);

}  // namespace util

#endif
