// What the packet log suites share: frames, a log written (at chosen times) and read back to its end.
#ifndef UTIL_TESTS_PCAP_LOG_FIXTURE_H
#define UTIL_TESTS_PCAP_LOG_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "pcap/capture_clock.h"
#include "pcap/packet_log.h"

namespace pcap_test {

using Frames = std::vector<std::string>;
using Record = std::tuple<unsigned long, unsigned long, std::string>;  // seconds, microseconds, bytes

/// `size` bytes that differ from frame to frame by `seed`.
inline std::string frame(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t index = 0; index < size; ++index) bytes[index] = static_cast<char>(index * 7 + seed * 13);
    return bytes;
}

/// Frames written at `times` (file times: 100 ns since 1601 UTC) when given, else at the system's time.
inline void writeLog(const std::string& path, const Frames& frames, unsigned long cap = 0,
                     const std::vector<std::int64_t>& times = {}) {
    static std::int64_t now = 0;
    const auto previous = util::pcap::setFileTimeSourceForTesting(times.empty() ? nullptr : +[] { return now; });
    void* log = EthrOpenLog(path.c_str(), cap);
    for (std::size_t index = 0; log != nullptr && index < frames.size(); ++index) {
        now = index < times.size() ? times[index] : 0;
        EthrLogPacket(log, frames[index].data(), frames[index].size());
    }
    EthrCloseLog(log);
    util::pcap::setFileTimeSourceForTesting(previous);
}

/// The frames of every whole record up to the end, which must stay the end; with their times into `out`.
inline Frames readAll(const std::string& path, unsigned long capacity = 300000, std::vector<Record>* out = nullptr) {
    Frames frames;
    void* log = EthrReadLog(path.c_str());
    std::vector<char> buffer(capacity + 1);
    unsigned long length = capacity, seconds = 0, microseconds = 0;
    int result = 0;
    while (log != nullptr && (result = EthrReadPacketEx(log, buffer.data(), &length, &seconds, &microseconds)) == 1) {
        EXPECT_LE(length, capacity);
        frames.emplace_back(buffer.data(), length);
        if (out != nullptr) out->emplace_back(seconds, microseconds, frames.back());
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
