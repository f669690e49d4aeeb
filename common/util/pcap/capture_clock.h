// The clock that stamps records. It reads systemFileTime() unless a test has put
// another source in its place, so tests can log at a time they choose.
#ifndef UTIL_PCAP_CAPTURE_CLOCK_H
#define UTIL_PCAP_CAPTURE_CLOCK_H

#include <cstdint>

namespace util {
namespace pcap {

/// A source of 100-ns intervals since 1601-01-01 UTC.
using FileTimeSource = std::int64_t (*)();

/// The current time from the installed source.
std::int64_t captureFileTimeNow();

/// Installs `source` (null: the system clock again) and returns the one it
/// replaces. For tests; safe to call while other threads log.
FileTimeSource setFileTimeSourceForTesting(FileTimeSource source);

}  // namespace pcap
}  // namespace util

#endif
