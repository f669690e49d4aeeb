// The calling thread's TraceThreadRecord: found in thread-local storage, or
// made (with the viewer connection, when the viewer window exists) on first need.
#ifndef UTIL_TRACE_TRACE_RECORD_H
#define UTIL_TRACE_TRACE_RECORD_H

struct TraceThreadRecord;

namespace util {
namespace trace {

/// The thread's record, made on first call. Null when no memory or no
/// thread-local slot could be had; the next call tries again.
TraceThreadRecord* threadRecord();

/// The end of the record's thread: closes its connection. The record itself
/// stays (reachable on the list of all records), without a socket.
void releaseThreadRecord(TraceThreadRecord* record);

/// Calls visit on every record made so far, the newest first. Meant for a forked
/// child, where only the calling thread runs: there is no lock.
void forEachRecord(void (*visit)(TraceThreadRecord& record));

}  // namespace trace
}  // namespace util

#endif
