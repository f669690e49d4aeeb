// The packet log: exact bytes, the cap and the byte counter at its limit, null
// arguments and handles of the wrong kind, the reader's refusals and results,
// files that end early, record times, and several threads on one handle.
#include <chrono>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "pcap/capture_clock.h"
#include "pcap/capture_format.h"
#include "pcap/log_fixture.h"
#include "pcap/packet_log_handle.h"
#include "support/test_support.h"

namespace pcap_test {
namespace {

using util_test::readFile;
using util_test::writeFile;
using Frames = std::vector<std::string>;

const std::string kFileHeader(
    "\xD4\xC3\xB2\xA1\x02\x00\x04\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\xFF\xFF\x00\x00\x01\x00\x00\x00",
    24);

std::string le32(std::size_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string record(std::uint32_t seconds, std::uint32_t microseconds, const std::string& data) {
    return le32(seconds) + le32(microseconds) + le32(data.size()) + le32(data.size()) + data;
}

TEST(PacketLogWrite, RecordsHoldEveryFrameWholeUpToTheCap) {
    util_test::TempDir dir;
    const std::string path = dir.file("frames.pcap");
    writeFile(path, "old contents that must be truncated away");
    // 70000 bytes: longer than the snapshot length, stored whole all the same;
    // 300000 bytes: longer than any capture tool reads, stored as its first 262144.
    const Frames frames = {frame(60, 1), frame(1514, 2), "", frame(1, 3), frame(70000, 4), frame(300000, 5)};
    void* log = EthrOpenLog(path.c_str(), 0);
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(readFile(path), kFileHeader) << "the header is flushed at once, before the close";
    EthrLogPacket(log, nullptr, 60);  // nothing
    for (const std::string& bytes : frames) EthrLogPacket(log, bytes.data(), bytes.size());
    if (sizeof(unsigned long) > 4) {  // no record header holds this length: dropped untouched
        EthrLogPacket(log, frames[0].data(), static_cast<unsigned long>(0xFFFFFFFFu) + 1);
    }
    EthrCloseLog(log);
    const std::string file = readFile(path);
    ASSERT_EQ(file.size(), 24u + 6 * 16 + 60 + 1514 + 1 + 70000 + 262144);
    // The cut frame's record: the stored length, then the true one.
    EXPECT_EQ(file.substr(file.size() - 262144 - 8), le32(262144) + le32(300000) + frames.back().substr(0, 262144));
    // The reader hands back what each record holds.
    EXPECT_EQ(readAll(path), (Frames{frames[0], frames[1], "", frames[3], frames[4], frames[5].substr(0, 262144)}));

    // The cap lets the record that crosses it through whole and drops the rest.
    const struct {
        unsigned long cap;
        std::size_t size, kept;
    } cases[] = {{100, 200, 1},  // the first record crosses the cap
                 {101, 34, 3},   // 100 record bytes of 101: still below the cap
                 {100, 34, 2}};  // 100 of 100: reached (no cap, 0, is used by every other test)
    for (const auto& test : cases) {
        const Frames offered = {frame(test.size, 1), frame(test.size, 2), frame(test.size, 3)};
        writeLog(path, offered, test.cap);
        EXPECT_EQ(readFile(path).size(), 24 + test.kept * (16 + test.size)) << "cap " << test.cap;
        EXPECT_EQ(readAll(path), Frames(offered.begin(), offered.begin() + test.kept)) << "cap " << test.cap;
    }
    // The byte counter stops at its maximum instead of wrapping past the cap.
    log = EthrOpenLog(path.c_str(), 0xFFFFFFFFul);
    ASSERT_NE(log, nullptr);
    auto* handle = static_cast<util::pcap::EthrLogHandle*>(log);
    EXPECT_EQ(handle->limit, 0xFFFFFFFFu);
    handle->written = 0xFFFFFFF0u;            // as after nearly 4 GiB of records
    EthrLogPacket(log, "crossing", 8);        // crosses the cap: written whole
    EXPECT_EQ(handle->written, 0xFFFFFFFFu);  // not 0x08 after a wrap
    EthrLogPacket(log, "dropped", 7);
    EthrCloseLog(log);
    EXPECT_EQ(readAll(path), Frames{"crossing"});
}

TEST(PacketLog, NullArgumentsReadingHandlesAndFilesThatAreNoLog) {
    char field[util::pcap::kPathFieldSize];  // a path longer than the handle's field is cut
    util::pcap::copyPathField(field, std::string(400, 'p').c_str());
    EXPECT_EQ(std::string(field), std::string(259, 'p'));
    EXPECT_EQ(EthrOpenLog(nullptr, 0), nullptr);
    EXPECT_EQ(EthrReadLog(nullptr), nullptr);
    EthrLogPacket(nullptr, "abcd", 4);
    EthrCloseLog(nullptr);
    util_test::TempDir dir;
    const std::string path = dir.file("log.pcap");
    EXPECT_EQ(EthrOpenLog(dir.file("missing-directory/x.pcap").c_str(), 0), nullptr);
    EXPECT_EQ(EthrOpenLog(dir.path().c_str(), 0), nullptr);  // a directory
    EXPECT_EQ(EthrReadLog(path.c_str()), nullptr);           // absent
    EXPECT_EQ(EthrReadLog(dir.path().c_str()), nullptr);     // a directory is no empty log
    writeLog(path, {frame(10, 1)});
    void* reader = EthrReadLog(path.c_str());
    ASSERT_NE(reader, nullptr);
    EthrLogPacket(reader, "xyz", 3);  // nothing
    char buffer[16];
    unsigned long length = 77, microseconds = 0;
    EXPECT_EQ(EthrReadPacket(reader, nullptr, &length), 0);
    EXPECT_EQ(EthrReadPacket(reader, buffer, nullptr), 0);
    EXPECT_EQ(EthrReadPacket(nullptr, buffer, &length), 0);
    EXPECT_EQ(EthrReadPacketEx(reader, nullptr, &length, &microseconds, &microseconds), 0);
    EXPECT_EQ(EthrReadPacketEx(reader, buffer, nullptr, &microseconds, &microseconds), 0);
    EXPECT_EQ(EthrReadPacketEx(reader, buffer, &length, nullptr, &microseconds), 0);
    EXPECT_EQ(length, 77u);  // untouched, and nothing consumed:
    length = sizeof buffer;
    ASSERT_EQ(EthrReadPacket(reader, buffer, &length), 1);
    EXPECT_EQ(std::string(buffer, length), frame(10, 1));
    EthrCloseLog(reader);
    EXPECT_EQ(readFile(path).size(), 24u + 16 + 10);

    // Other magic numbers and versions are refused, a header cut short reads as empty.
    const std::string record8 = record(1, 2, frame(8, 1));
    const std::string refused[] = {
        std::string("\xA1\xB2\xC3\xD4\x00\x02\x00\x04", 8) + kFileHeader.substr(8),     // big-endian
        std::string("\x4D\x3C\xB2\xA1", 4) + kFileHeader.substr(4),                     // nanoseconds
        kFileHeader.substr(0, 6) + std::string("\x03\x00", 2) + kFileHeader.substr(8),  // 2.3
        kFileHeader.substr(0, 4) + std::string("\x01\x00", 2) + kFileHeader.substr(6),  // 1.4
        std::string("\xD4\xC3\xB2", 3) + "\xA2",
        kFileHeader.substr(0, 6) + "\x05"};  // cut, and wrong
    for (const std::string& header : refused) {
        writeFile(path, header + record8);
        EXPECT_EQ(EthrReadLog(path.c_str()), nullptr) << testing::PrintToString(header);
    }
    for (std::size_t size : {0u, 3u, 4u, 6u, 23u, 24u}) {
        writeFile(path, kFileHeader.substr(0, size));
        EXPECT_EQ(readAll(path), Frames{}) << size;
    }
    // Fields other than magic and version are not judged: another link type reads.
    writeFile(path, kFileHeader.substr(0, 20) + le32(105) + record8);
    EXPECT_EQ(readAll(path), Frames{frame(8, 1)});
}

TEST(PacketLogRead, ResultsForZeroLengthTooLongFittingAndCutRecords) {
    // The record's data is delivered on 1, its length reported on -1.
    struct Step {
        bool extended;
        unsigned long capacity;
        int result;
        std::string data;
        std::uint32_t seconds, micros;
    };
    const Step steps[] = {{true, 8, 1, "", 0x80000000u, 999999},
                          {true, 8, -1, frame(40, 1), 7, 8},     // consumed, not delivered
                          {false, 100, 1, frame(100, 2), 1, 2},  // capacity equal to the record
                          {false, 99, 0, frame(100, 3), 3, 4},   // one less: consumed and lost
                          {false, 16, 0, "", 11, 12},            // reads like the end, but the next call goes on
                          {false, 16, 1, "xyz", 13, 14}};
    util_test::TempDir dir;
    const std::string path = dir.file("records.pcap");
    std::string file = kFileHeader;
    for (const auto& step : steps) file += record(step.seconds, step.micros, step.data);
    writeFile(path, file);
    void* log = EthrReadLog(path.c_str());
    ASSERT_NE(log, nullptr);
    char buffer[100];
    for (const auto& step : steps) {
        unsigned long length = step.capacity, seconds = 0, microseconds = 0;
        const int result = step.extended ? EthrReadPacketEx(log, buffer, &length, &seconds, &microseconds)
                                         : EthrReadPacket(log, buffer, &length);
        ASSERT_EQ(result, step.result) << step.seconds;
        EXPECT_EQ(length, result == 0 ? 0u : step.data.size()) << step.seconds;
        const Record expected(step.extended ? step.seconds : 0, step.extended ? step.micros : 0,
                              result == 1 ? step.data : "");
        EXPECT_EQ(Record(seconds, microseconds, result == 1 ? std::string(buffer, length) : ""), expected);
    }
    EthrCloseLog(log);

    // A file cut anywhere in its last record yields the whole records before.
    const std::string whole = dir.file("whole.pcap");
    const Frames frames = {frame(30, 1), frame(45, 2), frame(60, 3)};
    writeLog(whole, frames);
    file = readFile(whole);
    for (std::size_t size = file.size() - (16 + 60); size < file.size(); ++size) {
        writeFile(path, file.substr(0, size));
        for (unsigned long capacity : {60ul, 59ul}) {
            EXPECT_EQ(readAll(path, capacity), Frames(frames.begin(), frames.end() - 1)) << size << "/" << capacity;
        }
    }
}

TEST(RecordTime, ConversionTruncatesAndKeepsMicrosecondsInRange) {
    using util::pcap::kFileTimeAtUnixEpoch;
    const struct {
        std::int64_t fileTime;
        std::uint32_t seconds, microseconds;
    } cases[] = {{kFileTimeAtUnixEpoch + 9999999, 0, 999999},  // 100-ns remainders dropped, never rounded up
                 {kFileTimeAtUnixEpoch + 4294967296LL * 10000000 + 70, 0, 7},  // 2106 wraps the seconds
                 {kFileTimeAtUnixEpoch - 5000000, 0xFFFFFFFFu, 500000}};       // half a second before 1970
    for (const auto& test : cases) {
        const auto time = util::pcap::recordTimeFromFileTime(test.fileTime);
        EXPECT_EQ(Record(time.seconds, time.microseconds, ""), Record(test.seconds, test.microseconds, ""));
    }
    // The system's clock agrees with the standard library's, within the coarser resolution.
    using namespace std::chrono;
    const auto now = [] { return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count(); };
    const auto before = now();
    const auto time = util::pcap::recordTimeFromFileTime(util::pcap::captureFileTimeNow());
    const auto after = now();
    EXPECT_GE(time.seconds * 1000000LL + time.microseconds, before - 20000);
    EXPECT_LE(time.seconds * 1000000LL + time.microseconds, after + 20000);
}

// Several threads on one handle write, then read, each record whole and exactly once.
// A frame names its writer and sequence and has a length of its own: a torn one cannot pass.
std::string frameFor(int thread, int sequence) {
    return std::to_string(thread * 1000 + sequence) + std::string(20 + (thread * 131 + sequence * 17) % 300, 'A');
}

void onThreads(const std::function<void(int)>& body) {
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) threads.emplace_back(body, thread);
    for (std::thread& thread : threads) thread.join();
}

TEST(PacketLogConcurrent, WritersAndThenReadersOnOneHandleHandleEachRecordWholeAndOnce) {
    util_test::TempDir dir;
    const std::string path = dir.file("shared.pcap");
    void* log = EthrOpenLog(path.c_str(), 0);
    ASSERT_NE(log, nullptr);
    onThreads([log](int thread) {
        for (int sequence = 0; sequence < 500; ++sequence) {
            const std::string bytes = frameFor(thread, sequence);
            EthrLogPacket(log, bytes.data(), bytes.size());
        }
    });
    EthrCloseLog(log);
    // Read by all threads at once, each frame is delivered whole to exactly one.
    void* in = EthrReadLog(path.c_str());
    ASSERT_NE(in, nullptr);
    std::vector<Frames> seen(4);
    onThreads([in, &seen](int reader) {
        char buffer[400];
        for (unsigned long length = sizeof buffer; EthrReadPacket(in, buffer, &length) == 1; length = sizeof buffer) {
            seen[reader].emplace_back(buffer, length);
        }
    });
    EthrCloseLog(in);
    std::multiset<std::string> read, written;
    for (const Frames& frames : seen) read.insert(frames.begin(), frames.end());
    for (int index = 0; index < 4 * 500; ++index) written.insert(frameFor(index / 500, index % 500));
    EXPECT_TRUE(read == written);
}

}  // namespace
}  // namespace pcap_test
