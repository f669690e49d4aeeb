// What the packet log needs from the platform: its two stream open modes, a flush
// that reaches the disk, unlocked buffered I/O for callers that hold their own
// lock, and the system time.
#ifndef UTIL_PCAP_CAPTURE_STREAM_H
#define UTIL_PCAP_CAPTURE_STREAM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace util {
namespace pcap {

/// Creates or truncates `path` for binary writing: "wbc" on Windows (commit flag),
/// "wb" on POSIX. Returns null on failure.
std::FILE* openStreamForWriting(const char* path);
/// Opens `path` for binary reading: "rbc" on Windows, "rb" on POSIX. Null on failure.
std::FILE* openStreamForReading(const char* path);

/// Flushes the stream so that its data reaches the disk: fflush under the commit
/// flag on Windows, fflush then fsync on POSIX.
void flushStreamToDisk(std::FILE* stream);
/// Flushes (to the disk, as above, for a writing stream) and closes the stream.
void closeStream(std::FILE* stream, bool writing);

/// Buffered writes and reads. REQUIRES: no other thread uses the stream at the
/// same time (the caller's lock sees to it), so POSIX skips the stream's own lock.
std::size_t writeToStream(std::FILE* stream, const void* data, std::size_t size);
std::size_t readFromStream(std::FILE* stream, void* data, std::size_t size);

/// The system time as 100-ns intervals since 1601-01-01 UTC: GetSystemTimeAsFileTime
/// on Windows, clock_gettime(CLOCK_REALTIME) on POSIX (to the 100 ns, truncated).
std::int64_t systemFileTime();

}  // namespace pcap
}  // namespace util

#endif
