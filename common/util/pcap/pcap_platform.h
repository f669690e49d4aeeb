// What the packet log needs from the platform: its two stream open modes, a flush
// that reaches the disk, unlocked buffered I/O for callers that hold their own
// lock, and the system time.
#ifndef UTIL_PCAP_PCAP_PLATFORM_H
#define UTIL_PCAP_PCAP_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace util {
namespace pcap {

struct EthrLogHandle;

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

/// Keeps an open handle's lock sound across fork (POSIX): before fork the lock
/// of every tracked handle is taken, so no record is half-written at that
/// moment; after it the parent releases them and the child gives each handle a
/// fresh lock (the forking thread's lock could not be released there). Without
/// memory for the tracking, the handle works as before but is not tracked.
/// Nothing to do on Windows, which has no fork.
void trackHandleAcrossFork(EthrLogHandle* handle);
/// REQUIRES: called before the handle's lock is deleted. Untracked handles are ignored.
void untrackHandleAcrossFork(EthrLogHandle* handle);

}  // namespace pcap
}  // namespace util

#endif
