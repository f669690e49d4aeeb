#include "pcap/capture_stream.h"

#include <time.h>
#include <unistd.h>

#include "pcap/capture_format.h"

namespace util {
namespace pcap {

std::FILE* openStreamForWriting(const char* path) { return std::fopen(path, "wb"); }

std::FILE* openStreamForReading(const char* path) { return std::fopen(path, "rb"); }

void flushStreamToDisk(std::FILE* stream) {
    std::fflush(stream);
    fsync(fileno(stream));
}

void closeStream(std::FILE* stream, bool writing) {
    if (writing) {
        flushStreamToDisk(stream);
    }
    std::fclose(stream);
}

std::size_t writeToStream(std::FILE* stream, const void* data, std::size_t size) {
    return fwrite_unlocked(data, 1, size, stream);
}

std::size_t readFromStream(std::FILE* stream, void* data, std::size_t size) {
    return fread_unlocked(data, 1, size, stream);
}

std::int64_t systemFileTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 10000000 + now.tv_nsec / 100 +
           kFileTimeAtUnixEpoch;
}

}  // namespace pcap
}  // namespace util
