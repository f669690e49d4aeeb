#include "pcap/pcap_platform.h"

#include "platform/win_include.h"

namespace util {
namespace pcap {

// The commit flag 'c' makes every fflush of the stream (and the one in fclose)
// also commit the file's data to the disk.
std::FILE* openStreamForWriting(const char* path) { return std::fopen(path, "wbc"); }

std::FILE* openStreamForReading(const char* path) { return std::fopen(path, "rbc"); }

void flushStreamToDisk(std::FILE* stream) { std::fflush(stream); }

// fclose empties the buffer without the commit that fflush makes, so a writing
// stream is flushed explicitly first.
void closeStream(std::FILE* stream, bool writing) {
    if (writing) {
        std::fflush(stream);
    }
    std::fclose(stream);
}

std::size_t writeToStream(std::FILE* stream, const void* data, std::size_t size) {
    return std::fwrite(data, 1, size, stream);
}

std::size_t readFromStream(std::FILE* stream, void* data, std::size_t size) {
    return std::fread(data, 1, size, stream);
}

void trackHandleAcrossFork(EthrLogHandle*) {}

void untrackHandleAcrossFork(EthrLogHandle*) {}

std::int64_t systemFileTime() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime);
}

}  // namespace pcap
}  // namespace util
