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

}  // namespace trace
}  // namespace util

#endif
