// Several threads on one handle: every record lands whole and exactly once.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "pcap/packet_log.h"
#include "support/test_support.h"

namespace {

constexpr int kThreads = 4;
constexpr int kFramesPerThread = 500;

// A frame that names its writer and sequence number and has a length of its own,
// so a torn or interleaved record cannot pass for a whole one.
std::string frameFor(int thread, int sequence) {
    const std::size_t size = 20 + (thread * 131 + sequence * 17) % 300;
    std::string frame(size, static_cast<char>('A' + thread));
    frame[0] = static_cast<char>(thread);
    frame[1] = static_cast<char>(sequence & 0xFF);
    frame[2] = static_cast<char>(sequence >> 8);
    return frame;
}

TEST(PacketLogConcurrent, WritersOnOneHandleProduceWholeRecords) {
    util_test::TempDir dir;
    const std::string path = dir.file("shared.pcap");
    void* log = EthrOpenLog(path.c_str(), 0);
    ASSERT_NE(log, nullptr);
    std::vector<std::thread> writers;
    for (int thread = 0; thread < kThreads; ++thread) {
        writers.emplace_back([log, thread] {
            for (int sequence = 0; sequence < kFramesPerThread; ++sequence) {
                const std::string frame = frameFor(thread, sequence);
                EthrLogPacket(log, frame.data(), frame.size());
            }
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    EthrCloseLog(log);

    void* in = EthrReadLog(path.c_str());
    ASSERT_NE(in, nullptr);
    std::map<int, int> nextSequence;
    char buffer[400];
    int total = 0;
    unsigned long length = sizeof buffer;
    while (EthrReadPacket(in, buffer, &length) == 1) {
        const int thread = buffer[0];
        ASSERT_GE(thread, 0);
        ASSERT_LT(thread, kThreads);
        const int sequence = static_cast<unsigned char>(buffer[1]) | static_cast<unsigned char>(buffer[2]) << 8;
        // Each writer's frames come in its own order, each exactly once.
        ASSERT_EQ(sequence, nextSequence[thread]) << "thread " << thread;
        ASSERT_EQ(std::string(buffer, length), frameFor(thread, sequence));
        ++nextSequence[thread];
        ++total;
        length = sizeof buffer;
    }
    EthrCloseLog(in);
    EXPECT_EQ(total, kThreads * kFramesPerThread);
}

TEST(PacketLogConcurrent, ReadersOnOneHandleShareTheRecordsExactlyOnce) {
    util_test::TempDir dir;
    const std::string path = dir.file("readers.pcap");
    void* log = EthrOpenLog(path.c_str(), 0);
    ASSERT_NE(log, nullptr);
    for (int sequence = 0; sequence < kThreads * kFramesPerThread; ++sequence) {
        const std::string frame = frameFor(sequence % kThreads, sequence);
        EthrLogPacket(log, frame.data(), frame.size());
    }
    EthrCloseLog(log);

    void* in = EthrReadLog(path.c_str());
    ASSERT_NE(in, nullptr);
    std::vector<std::vector<std::string>> seen(kThreads);
    std::vector<std::thread> readers;
    for (int reader = 0; reader < kThreads; ++reader) {
        readers.emplace_back([in, reader, &seen] {
            char buffer[400];
            unsigned long length = sizeof buffer;
            while (EthrReadPacket(in, buffer, &length) == 1) {
                seen[reader].emplace_back(buffer, length);
                length = sizeof buffer;
            }
        });
    }
    for (std::thread& reader : readers) {
        reader.join();
    }
    EthrCloseLog(in);
    std::map<std::string, int> counts;
    for (const auto& frames : seen) {
        for (const std::string& frame : frames) {
            ++counts[frame];
        }
    }
    ASSERT_EQ(counts.size(), static_cast<std::size_t>(kThreads * kFramesPerThread));
    for (int sequence = 0; sequence < kThreads * kFramesPerThread; ++sequence) {
        EXPECT_EQ(counts[frameFor(sequence % kThreads, sequence)], 1) << sequence;
    }
}

}  // namespace
