// LastError and WinsockLastError: an error code and its message text.
//
//   LastError error;                       // the calling thread's last error
//   printf("open failed: %s", (char*)error);
//   WinsockLastError socketError(10054);   // "Connection reset by peer"
//
// The text is made on the first conversion to char* and cached: later
// conversions return the same pointer until the object is given a new code,
// assigned from another object, or destroyed. A failed conversion caches
// nothing, so the next one tries again. Objects are not synchronised: one
// thread at a time.
//
// LastError's text is the system's message for the code. Windows: FormatMessageA
// from the system table in the user's default language, exactly as the system
// gives it (usually ending in "\r\n"). POSIX: the code is an errno value and the
// text is strerror_r's, without a line end; a code the C library has no message
// for ("Unknown error N") gives the empty string.
//
// WinsockLastError's text comes from the library's own table of 44 Winsock
// texts, identified by Winsock code (10004 to 11004); any other code, and every
// code while the library is not loaded (module handle null), gives the empty
// string. Windows loads it from util.dll's string table with LoadStringA; POSIX
// has the same texts compiled in.
//
// Platform differences: the default LastError constructor reads GetLastError()
// on Windows and errno on POSIX. The default WinsockLastError constructor reads
// WSAGetLastError() on Windows; on POSIX it reads errno and turns the socket
// errors that have a Winsock code (ECONNRESET -> 10054, EWOULDBLOCK -> 10035,
// ...) into that code; other errno values are kept as they stand (no text).
//
// Choices where the design leaves one:
//  - "No text" is one shared empty string in read-only memory: writing to it
//    faults rather than changing what later conversions return.
//  - Copy construction takes the code only (the copy formats its own text), so
//    two objects never own one text.
//  - WinsockLastError codes above 0xFFFF give the empty string: string
//    resource ids are 16 bits, and a larger code would otherwise alias a listed one.
#ifndef UTIL_LOG_LAST_ERROR_H
#define UTIL_LOG_LAST_ERROR_H

#include "platform/export.h"

class UTIL_API LastError {
public:
    /// Holds the calling thread's last error (GetLastError / errno).
    LastError();
    /// Holds code.
    LastError(unsigned long code);
    LastError(const LastError& other);
    /// Releases the cached text.
    ~LastError();

    /// The message text for code, or the shared empty string. Never null.
    operator char*();
    /// The code.
    operator int() const;
    /// Stores code and releases the cached text. Returns 0.
    int operator=(unsigned long code);
    /// Takes other's code and releases this object's cached text.
    LastError& operator=(const LastError& other);

    unsigned long code;
    char* text;

private:
    /// Frees text (LocalFree on Windows, free on POSIX) and sets it to null.
    void Clean();
};

class UTIL_API WinsockLastError : public LastError {
public:
    /// Holds the calling thread's last socket error (WSAGetLastError / errno, see above).
    WinsockLastError();
    /// Holds code.
    WinsockLastError(unsigned long code);
    WinsockLastError(const WinsockLastError& other);
    ~WinsockLastError();

    /// The text from the library's table of Winsock texts, or the shared empty string.
    operator char*();
    WinsockLastError& operator=(const WinsockLastError& other);
    using LastError::operator=;
};

#endif
