// The platform side of LastError and WinsockLastError.
#ifndef UTIL_LOG_LOG_PLATFORM_H
#define UTIL_LOG_LOG_PLATFORM_H

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

}  // namespace util

#endif
