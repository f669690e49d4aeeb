// What the tracer needs from the machine: the thread's record slot, the viewer
// window look-up, the loopback connection and its sends, and the short sleep.
// Each call has one implementation per OS (trace_*_win.cpp / trace_*_posix.cpp).
#ifndef UTIL_TRACE_TRACE_PLATFORM_H
#define UTIL_TRACE_TRACE_PLATFORM_H

#include <cstddef>
#include <cstdint>

struct TraceThreadRecord;

namespace util {
namespace trace {

/// The calling thread's record, or null before one was stored.
/// Windows: a TlsAlloc slot taken once per process; POSIX: a thread_local pointer.
TraceThreadRecord* storedThreadRecord();
/// Stores the calling thread's record, to be released (its connection closed)
/// when the thread ends. Returns false when the slot is unusable (Windows: no
/// TLS index could be had), in which case the caller drops the record.
bool storeThreadRecord(TraceThreadRecord* record);

/// True when a top-level window titled exactly `title` exists now.
/// Windows: FindWindowA(NULL, title). POSIX: the X11 walk through libxcb (none without libxcb or a display).
bool viewerWindowExists(const char* title);

/// Creates a TCP socket that child processes do not inherit and stores it in
/// *slot (kTraceNoSocket when none could be made). POSIX: under the lock that a
/// fork takes, so a forked child finds every socket of the process in a record.
void openViewerSocket(std::uintptr_t* slot);
/// Connects the socket to 127.0.0.1:port, then sleeps 1 ms. The connect's
/// result is not looked at.
void connectViewerSocket(std::uintptr_t socket, unsigned short port);
/// Sets *slot to kTraceNoSocket and closes the socket it held, if any
/// (POSIX: under the same lock as openViewerSocket).
void closeViewerSocket(std::uintptr_t* slot);

/// One send of `length` bytes with no flags of meaning (POSIX: MSG_NOSIGNAL);
/// the result is not looked at. kTraceNoSocket is ignored.
void sendToViewer(std::uintptr_t socket, const char* bytes, std::size_t length);

}  // namespace trace
}  // namespace util

#endif
