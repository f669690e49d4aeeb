// What the packet log suites share: frames of chosen bytes, a log written through
// one handle, and a log read back record by record to its end.
#ifndef UTIL_TESTS_PCAP_LOG_FIXTURE_H
#define UTIL_TESTS_PCAP_LOG_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "pcap/packet_log.h"

namespace pcap_test {

/// A record read back: seconds, microseconds, bytes.
using Record = std::tuple<unsigned long, unsigned long, std::string>;

/// `size` bytes that differ from frame to frame by `seed`.
inline std::string frame(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t index = 0; index < size; ++index) bytes[index] = static_cast<char>(index * 7 + seed * 13);
    return bytes;
}

inline void writeLog(const std::string& path, const std::vector<std::string>& frames, unsigned long cap = 0) {
    void* log = EthrOpenLog(path.c_str(), cap);
    ASSERT_NE(log, nullptr);
    for (const std::string& bytes : frames) EthrLogPacket(log, bytes.data(), bytes.size());
    EthrCloseLog(log);
}

/// The frames of every whole record (zero-length ones too) up to the end, which
/// must stay the end; with their times into `records` when asked.
inline std::vector<std::string> readAll(const std::string& path, unsigned long capacity = 300000,
                                        std::vector<Record>* records = nullptr) {
    std::vector<std::string> frames;
    void* log = EthrReadLog(path.c_str());
    EXPECT_NE(log, nullptr) << path;
    std::vector<char> buffer(capacity + 1);
    unsigned long length = capacity, seconds = 0, microseconds = 0;
    int result = 0;
    while (log != nullptr && (result = EthrReadPacketEx(log, buffer.data(), &length, &seconds, &microseconds)) == 1) {
        EXPECT_LE(length, capacity);
        frames.emplace_back(buffer.data(), length);
        if (records != nullptr) records->emplace_back(seconds, microseconds, frames.back());
        length = capacity;
    }
    EXPECT_EQ(result, 0) << path;
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(EthrReadPacket(log, buffer.data(), &length), 0);
    EthrCloseLog(log);
    return frames;
}

}  // namespace pcap_test

#endif
