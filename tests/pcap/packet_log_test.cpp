// The packet log: bytes, times, cap and counter; null arguments, refusals, read results, cut files; threads.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <set>
#include <thread>

#include "pcap/capture_format.h"
#include "pcap/log_fixture.h"
#include "pcap/packet_log_handle.h"
#include "support/test_support.h"

namespace pcap_test {
namespace {

using namespace util_test;  // TempDir, readFile, writeFile

const std::string kFileHeader = std::string("\xD4\xC3\xB2\xA1\x02\x00\x04\x00", 8) + std::string(8, '\0') +
                                std::string("\xFF\xFF\x00\x00\x01\x00\x00\x00", 8);

std::string le32(std::size_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

TEST(PacketLogWrite, RecordsHoldEveryFrameWholeAtItsTimeUpToTheCap) {
    TempDir dir;
    const std::string path = dir.file("frames.pcap");
    writeFile(path, "old contents that must be truncated away");
    void* log = EthrOpenLog(path.c_str(), 0);
    EXPECT_EQ(readFile(path), kFileHeader) << "the header is flushed at once, before the close";
    EthrLogPacket(log, nullptr, 60);  // nothing; nor a length that no record header holds:
    if (sizeof(unsigned long) > 4) EthrLogPacket(log, "x", static_cast<unsigned long>(0xFFFFFFFFu) + 1);
    EthrCloseLog(log);
    EXPECT_EQ(readAll(path), Frames{});  // and a header alone reads as empty
    // 70000 bytes: stored whole; 300000: its first 262144. Times round down (2106 wraps; 1970 - 0.5 s).
    const std::int64_t epoch = util::pcap::kFileTimeAtUnixEpoch;
    const Frames frames = {frame(60, 1), "", frame(70000, 4), frame(300000, 5)};
    writeLog(path, frames, 0, {epoch + 9999999, epoch + 4294967296LL * 10000000 + 70, epoch - 5000000, epoch});
    std::vector<Record> records,
        expected = {
            {0, 999999, frames[0]}, {0, 7, ""}, {0xFFFFFFFFu, 500000, frames[2]}, {0, 0, frames[3].substr(0, 262144)}};
    readAll(path, 300000, &records);
    EXPECT_TRUE(records == expected);

    // The record that crosses the cap is whole, the rest dropped: 100 of 101 record bytes are below it.
    for (const auto& [cap, size, kept] : {std::tuple{100ul, 200u, 1}, {101ul, 34u, 3}, {100ul, 34u, 2}}) {
        const Frames offered = {frame(size, 1), frame(size, 2), frame(size, 3)};
        writeLog(path, offered, cap);
        EXPECT_EQ(readAll(path), Frames(offered.begin(), offered.begin() + kept)) << "cap " << cap;
    }
    // The byte counter stops at its maximum instead of wrapping past the cap.
    log = EthrOpenLog(path.c_str(), 0xFFFFFFFFul);
    ASSERT_NE(log, nullptr);
    static_cast<util::pcap::EthrLogHandle*>(log)->written = 0xFFFFFFF0u;  // as after nearly 4 GiB of records
    EthrLogPacket(log, "crossing", 8);
    EthrLogPacket(log, "dropped", 7);
    EthrCloseLog(log);
    EXPECT_EQ(readAll(path), Frames{"crossing"});
}

TEST(PacketLogRead, NullArgumentsAndFilesThatAreNoLog) {
    EXPECT_EQ(EthrOpenLog(nullptr, 0), nullptr);
    EXPECT_EQ(EthrReadLog(nullptr), nullptr);
    EthrLogPacket(nullptr, "abcd", 4);
    EthrCloseLog(nullptr);
    TempDir dir;
    const std::string path = dir.file("log.pcap");
    EXPECT_EQ(EthrOpenLog(dir.file("missing-directory/x.pcap").c_str(), 0), nullptr);
    EXPECT_EQ(EthrReadLog(path.c_str()), nullptr);        // absent
    EXPECT_EQ(EthrReadLog(dir.path().c_str()), nullptr);  // a directory is no empty log
    // Another magic number (big-endian, nanoseconds) or version is refused, also in a header cut short.
    for (const std::string& header :
         {std::string("\xA1\xB2\xC3\xD4", 4) + kFileHeader.substr(4),
          std::string("\x4D\x3C\xB2\xA1", 4) + kFileHeader.substr(4), kFileHeader.substr(0, 6) + "\x05"}) {
        writeFile(path, header);
        EXPECT_EQ(EthrReadLog(path.c_str()), nullptr) << header.size();
    }
    writeFile(path, kFileHeader.substr(0, 6));  // cut short, and what it holds agrees: an empty log
    EXPECT_EQ(readAll(path), Frames{});

    // Per record: read with times or not, capacity, result (1: data delivered, -1: its length reported), data.
    const std::tuple<bool, unsigned long, int, std::string> steps[] = {
        {true, 8, -1, frame(40, 1)},     // consumed, not delivered
        {false, 100, 1, frame(100, 2)},  // capacity equal to the record
        {false, 99, 0, frame(100, 3)},   // one less: consumed and lost
        {false, 16, 0, ""},              // reads like the end, but the next call goes on
        {false, 16, 1, "xyz"}};
    std::string file = kFileHeader;
    for (const auto& step : steps) {  // records of one time, each with captured length = true length
        const std::string& data = std::get<3>(step);
        file += le32(0x80000000u) + le32(999999) + le32(data.size()) + le32(data.size()) + data;
    }
    writeFile(path, file);
    void* log = EthrReadLog(path.c_str());
    char buffer[100];
    unsigned long length = 77, seconds = 0, microseconds = 0;
    EXPECT_EQ(EthrReadPacket(log, nullptr, &length), 0);
    EXPECT_EQ(EthrReadPacket(log, buffer, nullptr), 0);
    EXPECT_EQ(EthrReadPacketEx(log, nullptr, &length, &seconds, &microseconds), 0);
    EXPECT_EQ(EthrReadPacketEx(log, buffer, nullptr, &seconds, &microseconds), 0);
    EXPECT_EQ(EthrReadPacketEx(log, buffer, &length, nullptr, &microseconds), 0);
    EXPECT_EQ(length, 77u);  // untouched, and nothing consumed:
    for (const auto& [extended, capacity, result, data] : steps) {
        length = capacity;  // the time stays as the first (extended) read set it
        ASSERT_EQ(result, extended ? EthrReadPacketEx(log, buffer, &length, &seconds, &microseconds)
                                   : EthrReadPacket(log, buffer, &length));
        EXPECT_EQ(Record(seconds, microseconds, std::string(buffer, result == 1 ? length : 0)),
                  Record(0x80000000u, 999999, result == 1 ? data : ""));
        EXPECT_EQ(length, result == 0 ? 0u : data.size()) << data.size();
    }
    EthrCloseLog(log);
    // Cut anywhere in its last record, read or skipped, a file keeps the records before.
    writeLog(path, {frame(30, 1), frame(60, 3)});
    file = readFile(path);
    for (std::size_t size = file.size() - (16 + 60); size < file.size(); ++size) {
        writeFile(path, file.substr(0, size));
        for (unsigned long capacity : {60ul, 59ul}) EXPECT_EQ(readAll(path, capacity), Frames{frame(30, 1)}) << size;
    }
}

TEST(RecordTime, TheSystemClockAgreesWithTheStandardLibrarysWithinTheCoarserResolution) {
    const auto time = util::pcap::recordTimeFromFileTime(util::pcap::captureFileTimeNow());
    const std::chrono::duration<double, std::micro> now = std::chrono::system_clock::now().time_since_epoch();
    EXPECT_NEAR(time.seconds * 1e6 + time.microseconds, now.count(), 20000);
}

// Threads on one handle write, then read, each record whole and once: a frame names itself and its length.
TEST(PacketLogConcurrent, WritersAndThenReadersOnOneHandleHandleEachRecordWholeAndOnce) {
    const auto frameFor = [](int index) { return std::to_string(index) + std::string(20 + index * 170 % 5000, 'A'); };
    std::multiset<std::string> written, read;
    for (int index = 0; index < 4000; ++index) written.insert(frameFor(index));
    TempDir dir;
    void* log = EthrOpenLog(dir.file("shared.pcap").c_str(), 0);
    Frames seen[4];  // per reader
    for (const bool reading : {false, true}) {
        std::atomic<int> waiting{4};
        std::vector<std::thread> threads;
        for (int thread = 0; thread < 4; ++thread) {
            threads.emplace_back([&, thread] {
                for (--waiting; waiting > 0;) std::this_thread::yield();  // all at once
                for (int index = thread; !reading && index < 4000; index += 4) {
                    EthrLogPacket(log, frameFor(index).data(), frameFor(index).size());
                }
                char buffer[5100];
                for (unsigned long length = sizeof buffer; reading && EthrReadPacket(log, buffer, &length) == 1;
                     length = sizeof buffer)
                    seen[thread].emplace_back(buffer, length);
            });
        }
        for (std::thread& thread : threads) thread.join();
        EthrCloseLog(log);
        log = reading ? nullptr : EthrReadLog(dir.file("shared.pcap").c_str());
    }
    for (const Frames& frames : seen) read.insert(frames.begin(), frames.end());
    EXPECT_TRUE(read == written);
}

}  // namespace
}  // namespace pcap_test
