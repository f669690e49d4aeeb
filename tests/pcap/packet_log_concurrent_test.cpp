// Several threads on one handle: every record lands whole and exactly once, and
// is read whole and exactly once.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "pcap/packet_log.h"
#include "support/test_support.h"

namespace {

constexpr int kThreads = 4, kFramesPerThread = 500;

// A frame that names its writer and sequence number and has a length of its own,
// so a torn or interleaved record cannot pass for a whole one.
std::string frameFor(int thread, int sequence) {
    std::string frame(20 + (thread * 131 + sequence * 17) % 300, static_cast<char>('A' + thread));
    frame[0] = static_cast<char>(thread);
    frame[1] = static_cast<char>(sequence);
    frame[2] = static_cast<char>(sequence >> 8);
    return frame;
}

void onThreads(const std::function<void(int)>& body) {
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) threads.emplace_back(body, thread);
    for (std::thread& thread : threads) thread.join();
}

TEST(PacketLogConcurrent, WritersAndThenReadersOnOneHandleHandleEachRecordWholeAndOnce) {
    util_test::TempDir dir;
    const std::string path = dir.file("shared.pcap");
    void* log = EthrOpenLog(path.c_str(), 0);
    ASSERT_NE(log, nullptr);
    onThreads([log](int thread) {
        for (int sequence = 0; sequence < kFramesPerThread; ++sequence) {
            const std::string frame = frameFor(thread, sequence);
            EthrLogPacket(log, frame.data(), frame.size());
        }
    });
    EthrCloseLog(log);

    // Read alone, each writer's frames come whole and in its own order.
    void* in = EthrReadLog(path.c_str());
    ASSERT_NE(in, nullptr);
    std::map<int, int> next;
    char buffer[400];
    for (unsigned long length = sizeof buffer; EthrReadPacket(in, buffer, &length) == 1; length = sizeof buffer) {
        ASSERT_EQ(std::string(buffer, length), frameFor(buffer[0], next[buffer[0]]++));
    }
    EthrCloseLog(in);

    // Read by all threads at once, each frame is delivered whole to exactly one.
    in = EthrReadLog(path.c_str());
    ASSERT_NE(in, nullptr);
    std::vector<std::vector<std::string>> seen(kThreads);
    onThreads([in, &seen](int reader) {
        char buffer[400];
        for (unsigned long length = sizeof buffer; EthrReadPacket(in, buffer, &length) == 1; length = sizeof buffer) {
            seen[reader].emplace_back(buffer, length);
        }
    });
    EthrCloseLog(in);
    std::map<std::string, int> counts;
    for (const auto& frames : seen) {
        for (const std::string& frame : frames) ++counts[frame];
    }
    ASSERT_EQ(counts.size(), static_cast<std::size_t>(kThreads * kFramesPerThread));
    for (int thread = 0; thread < kThreads; ++thread) {
        for (int sequence = 0; sequence < kFramesPerThread; ++sequence) {
            EXPECT_EQ(counts[frameFor(thread, sequence)], 1) << thread << "/" << sequence;
        }
    }
}

}  // namespace
