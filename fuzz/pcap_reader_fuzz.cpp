// EthrReadLog + EthrReadPacket(Ex) on arbitrary files. The first two input bytes
// choose the reader's buffer capacity, the rest is the file. Every result is
// checked against an independent walk of the bytes: no crash, no read past what
// the file holds, no delivered length above the capacity, the right bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "pcap/packet_log.h"

namespace {

const std::string& scratchPath() {
    static const std::string path = [] {
        // A memory file system where there is one: rewriting a file on disk
        // thousands of times a second would measure the disk, not the reader.
        std::error_code error;
        const std::filesystem::path memory("/dev/shm");
        const std::filesystem::path directory =
            std::filesystem::is_directory(memory, error) ? memory : std::filesystem::temp_directory_path();
        std::random_device random;
        return (directory / ("pcap_reader_fuzz_" + std::to_string(random()) + ".pcap")).string();
    }();
    return path;
}

std::uint32_t little32(const std::uint8_t* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "pcap reader fuzz: %s\n", what);
        std::abort();
    }
}

// Whether the reader must accept a file of these bytes.
bool acceptable(const std::uint8_t* file, std::size_t size) {
    static const std::uint8_t expected[8] = {0xD4, 0xC3, 0xB2, 0xA1, 0x02, 0x00, 0x04, 0x00};
    const std::size_t judged = size < 8 ? size : 8;
    return std::memcmp(file, expected, judged) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const unsigned long capacity = data[0] | data[1] << 8;
    const std::uint8_t* file = data + 2;
    const std::size_t fileSize = size - 2;
    {
        std::FILE* out = std::fopen(scratchPath().c_str(), "wb");
        if (out == nullptr) {
            return 0;
        }
        std::fwrite(file, 1, fileSize, out);
        std::fclose(out);
    }
    void* log = EthrReadLog(scratchPath().c_str());
    std::remove(scratchPath().c_str());  // an open stream still reads it (POSIX); none is left behind
    check((log != nullptr) == acceptable(file, fileSize), "header acceptance differs");
    if (log == nullptr) {
        return 0;
    }
    // Exactly `capacity` bytes on the heap, so the sanitizer sees any overrun.
    std::vector<std::uint8_t> buffer(capacity == 0 ? 1 : capacity);
    std::size_t offset = 24;
    for (int call = 0;; ++call) {
        unsigned long length = capacity, seconds = 0, microseconds = 0;
        int result;
        if (call % 2 == 0) {
            result = EthrReadPacketEx(log, buffer.data(), &length, &seconds, &microseconds);
        } else {
            result = EthrReadPacket(log, buffer.data(), &length);
        }
        // The walk the reader must agree with.
        if (offset + 16 > fileSize) {
            check(result == 0 && length == 0, "reported a record past the end");
            break;
        }
        const std::uint32_t recordLength = little32(file + offset + 8);
        const bool whole = fileSize - offset - 16 >= recordLength;
        if (!whole) {
            check(result == 0 && length == 0, "reported a cut record");
            break;
        }
        if (capacity < recordLength) {
            check(call % 2 == 0 ? result == -1 && length == recordLength : result == 0 && length == 0,
                  "a record above the capacity was not skipped");
        } else {
            check(length == recordLength, "wrong length");
            check(result == (call % 2 == 0 ? 1 : (recordLength > 0 ? 1 : 0)), "wrong result");
            check(std::memcmp(buffer.data(), file + offset + 16, recordLength) == 0, "wrong bytes");
        }
        if (call % 2 == 0) {
            check(seconds == little32(file + offset) && microseconds == little32(file + offset + 4), "wrong time");
        }
        offset += 16 + recordLength;
    }
    EthrCloseLog(log);
    return 0;
}
