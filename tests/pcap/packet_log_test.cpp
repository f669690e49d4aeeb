// The packet log through the shared library: exact bytes, the cap, paths and null
// arguments, the reader's refusals and results, and files that end early.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "pcap/packet_log.h"
#include "support/test_support.h"

namespace {

using util_test::readFile;
using util_test::writeFile;
using Frames = std::vector<std::string>;

const std::string kFileHeader("\xD4\xC3\xB2\xA1\x02\x00\x04\x00\x00\x00\x00\x00"
                              "\x00\x00\x00\x00\xFF\xFF\x00\x00\x01\x00\x00\x00", 24);

std::string le32(std::uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
// A record's lengths and data (a frame over 262,144 bytes keeps only that many,
// with its true length as the original length), and the whole record.
std::string lengthsAndData(const std::string& data) {
    const std::string stored = data.substr(0, 262144);
    return le32(static_cast<std::uint32_t>(stored.size())) + le32(static_cast<std::uint32_t>(data.size())) + stored;
}
std::string record(std::uint32_t seconds, std::uint32_t microseconds, const std::string& data) {
    return le32(seconds) + le32(microseconds) + lengthsAndData(data);
}
std::string frame(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t index = 0; index < size; ++index) bytes[index] = static_cast<char>(index * 7 + seed * 13);
    return bytes;
}

void writeLog(const std::string& path, const Frames& frames, unsigned long cap = 0) {
    void* log = EthrOpenLog(path.c_str(), cap);
    ASSERT_NE(log, nullptr);
    for (const std::string& bytes : frames) EthrLogPacket(log, bytes.data(), bytes.size());
    EthrCloseLog(log);
}

// Every whole record (zero-length ones too) up to the end, which must stay the end.
Frames readAll(const std::string& path, unsigned long capacity = 70000) {
    Frames frames;
    void* log = EthrReadLog(path.c_str());
    EXPECT_NE(log, nullptr) << path;
    if (log == nullptr) return frames;
    std::vector<char> buffer(capacity + 1);
    unsigned long length = capacity, seconds = 0, microseconds = 0;
    int result;
    while ((result = EthrReadPacketEx(log, buffer.data(), &length, &seconds, &microseconds)) == 1) {
        EXPECT_LE(length, capacity);
        frames.emplace_back(buffer.data(), length);
        length = capacity;
    }
    EXPECT_EQ(result, 0) << path;
    EXPECT_EQ(length, 0u);
    length = capacity;
    EXPECT_EQ(EthrReadPacket(log, buffer.data(), &length), 0);
    EXPECT_EQ(length, 0u);
    EthrCloseLog(log);
    return frames;
}

TEST(PacketLogWrite, HeaderAndRecordsHoldEveryFrameWholeAndUnchanged) {
    util_test::TempDir dir;
    const std::string path = dir.file("frames.pcap");
    writeFile(path, "old contents that must be truncated away");
    writeLog(path, {});
    EXPECT_EQ(readFile(path), kFileHeader);

    // 70000 bytes: longer than the snapshot length, stored whole all the same;
    // 300000 bytes: longer than any capture tool reads, stored as its first 262144.
    const Frames frames = {frame(60, 1), frame(1514, 2), "", frame(1, 3), frame(70000, 4), frame(300000, 5)};
    void* log = EthrOpenLog(path.c_str(), 0);
    ASSERT_NE(log, nullptr);
    EthrLogPacket(log, nullptr, 60);  // nothing
    for (const std::string& bytes : frames) EthrLogPacket(log, bytes.data(), bytes.size());
    if (sizeof(unsigned long) > 4) {  // no record header holds this length: dropped untouched
        EthrLogPacket(log, frames[0].data(), static_cast<unsigned long>(0xFFFFFFFFu) + 1);
    }
    EthrCloseLog(log);
    const std::string file = readFile(path);
    ASSERT_EQ(file.size(), 24u + 6 * 16 + 60 + 1514 + 1 + 70000 + 262144);
    EXPECT_EQ(file.substr(0, 24), kFileHeader);
    for (std::size_t offset = 24, index = 0; index < frames.size(); offset += 8 + lengthsAndData(frames[index++]).size()) {
        std::uint32_t microseconds = 0;
        for (int byte = 3; byte >= 0; --byte) {
            microseconds = microseconds << 8 | static_cast<unsigned char>(file[offset + 4 + byte]);
        }
        EXPECT_LT(microseconds, 1000000u);
        EXPECT_EQ(file.substr(offset + 8, lengthsAndData(frames[index]).size()), lengthsAndData(frames[index]))
            << index;
    }
    Frames stored = frames;
    stored.back().resize(262144);  // the reader hands back what the record holds
    EXPECT_EQ(readAll(path, 300000), stored);
}

TEST(PacketLogWrite, CapLetsTheCrossingRecordThroughWholeAndDropsTheRest) {
    const struct { unsigned long cap; std::vector<std::size_t> sizes; std::size_t kept; } cases[] = {
        {100, {200, 10, 1}, 1},
        {101, {34, 34, 34}, 3},  // 100 record bytes of 101: still below the cap
        {100, {34, 34, 34}, 2}};  // 100 of 100: reached (no cap, 0, is used by every other test)
    util_test::TempDir dir;
    const std::string path = dir.file("capped.pcap");
    for (const auto& test : cases) {
        Frames frames, kept;
        std::size_t size = 24;
        for (std::size_t index = 0; index < test.sizes.size(); ++index) {
            frames.push_back(frame(test.sizes[index], static_cast<unsigned>(index)));
            if (index < test.kept) kept.push_back(frames.back()), size += 16 + test.sizes[index];
        }
        writeLog(path, frames, test.cap);
        EXPECT_EQ(readFile(path).size(), size) << "cap " << test.cap;
        EXPECT_EQ(readAll(path), kept) << "cap " << test.cap;
    }
}

TEST(PacketLog, PathsNullArgumentsAndHandlesOfTheWrongKind) {
    EXPECT_EQ(EthrOpenLog(nullptr, 0), nullptr);
    EXPECT_EQ(EthrReadLog(nullptr), nullptr);
    EthrLogPacket(nullptr, "abcd", 4);
    EthrCloseLog(nullptr);
    util_test::TempDir dir;
    EXPECT_EQ(EthrOpenLog(dir.file("missing-directory/x.pcap").c_str(), 0), nullptr);
    EXPECT_EQ(EthrOpenLog(dir.path().c_str(), 0), nullptr);  // a directory
    EXPECT_EQ(EthrReadLog(dir.file("absent.pcap").c_str()), nullptr);
    EXPECT_EQ(EthrReadLog(dir.path().c_str()), nullptr);  // a directory is no empty log
    std::filesystem::path directory(dir.path());  // longer than the handle's path field
    while (directory.string().size() < 280) directory /= std::string(60, 'd');
    std::filesystem::create_directories(directory);
    const std::string path = (directory / "log.pcap").string();
    writeLog(path, {frame(10, 1)});

    void* reader = EthrReadLog(path.c_str());
    ASSERT_NE(reader, nullptr);
    EthrLogPacket(reader, "xyz", 3);  // nothing
    char buffer[16];
    unsigned long length = 77, microseconds = 0;
    EXPECT_EQ(EthrReadPacket(reader, nullptr, &length), 0);
    EXPECT_EQ(EthrReadPacket(reader, buffer, nullptr), 0);
    EXPECT_EQ(EthrReadPacket(nullptr, buffer, &length), 0);
    EXPECT_EQ(EthrReadPacketEx(reader, buffer, &length, nullptr, &microseconds), 0);
    EXPECT_EQ(length, 77u);  // untouched, and nothing consumed:
    length = sizeof buffer;
    ASSERT_EQ(EthrReadPacket(reader, buffer, &length), 1);
    EXPECT_EQ(std::string(buffer, length), frame(10, 1));
    EthrCloseLog(reader);
    EXPECT_EQ(readFile(path).size(), 24u + 16 + 10);

    void* writer = EthrOpenLog(dir.file("writer.pcap").c_str(), 0);
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(readFile(dir.file("writer.pcap")), kFileHeader) << "the header is flushed at once, before the close";
    length = sizeof buffer;
    EXPECT_EQ(EthrReadPacket(writer, buffer, &length), 0);
    EXPECT_EQ(length, 0u);
    EthrCloseLog(writer);
    EXPECT_EQ(readFile(dir.file("writer.pcap")), kFileHeader);
}

TEST(PacketLogRead, RefusesOtherMagicNumbersAndVersionsAcceptsCutHeaders) {
    util_test::TempDir dir;
    const std::string path = dir.file("header.pcap"), record8 = record(1, 2, frame(8, 1));
    const std::string refused[] = {
        std::string("\xA1\xB2\xC3\xD4\x00\x02\x00\x04", 8) + kFileHeader.substr(8),     // big-endian
        std::string("\x4D\x3C\xB2\xA1", 4) + kFileHeader.substr(4),                   // nanoseconds
        kFileHeader.substr(0, 6) + std::string("\x03\x00", 2) + kFileHeader.substr(8),  // 2.3
        kFileHeader.substr(0, 4) + std::string("\x01\x00", 2) + kFileHeader.substr(6),  // 1.4
        std::string("\xD4\xC3\xB2", 3) + "\xA2", kFileHeader.substr(0, 6) + "\x05"};  // cut, and wrong
    for (const std::string& header : refused) {
        writeFile(path, header + record8);
        EXPECT_EQ(EthrReadLog(path.c_str()), nullptr) << testing::PrintToString(header);
    }
    for (std::size_t size : {0u, 1u, 3u, 4u, 6u, 8u, 12u, 23u, 24u}) {
        writeFile(path, kFileHeader.substr(0, size));
        EXPECT_EQ(readAll(path), Frames{}) << size;
    }
    // Fields other than magic and version are not judged: another link type reads.
    writeFile(path, kFileHeader.substr(0, 20) + le32(105) + record8);
    EXPECT_EQ(readAll(path), Frames{frame(8, 1)});
}

TEST(PacketLogRead, ResultsForZeroLengthTooLongAndExactlyFittingRecords) {
    // The record's data is delivered on 1, its length reported on -1.
    const struct {
        bool extended;
        unsigned long capacity;
        int result;
        std::string data;
        std::uint32_t seconds, microseconds;
    } steps[] = {{true, 8, 1, "", 0x80000000u, 999999},
                   {true, 8, -1, frame(40, 1), 7, 8},  // consumed, not delivered
                   {true, 8, 1, "abc", 9, 10},
                   {false, 100, 1, frame(100, 2), 1, 2},  // capacity equal to the record
                   {false, 99, 0, frame(100, 3), 3, 4},   // one less: consumed and lost
                   {false, 99, 1, frame(99, 4), 5, 6},
                   {false, 16, 0, "", 11, 12},  // reads like the end, but the next call goes on
                   {false, 16, 1, "xyz", 13, 14}};
    util_test::TempDir dir;
    const std::string path = dir.file("records.pcap");
    std::string file = kFileHeader;
    for (const auto& step : steps) file += record(step.seconds, step.microseconds, step.data);
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
        if (result == 1) {
            EXPECT_EQ(std::string(buffer, length), step.data) << step.seconds;
        }
        if (step.extended) {
            EXPECT_EQ(seconds, step.seconds);
            EXPECT_EQ(microseconds, step.microseconds);
        }
    }
    EthrCloseLog(log);
}

TEST(PacketLogRead, FileCutAnywhereInItsLastRecordYieldsTheWholeRecordsBefore) {
    util_test::TempDir dir;
    const std::string whole = dir.file("whole.pcap"), path = dir.file("cut.pcap");
    const Frames frames = {frame(30, 1), frame(45, 2), frame(60, 3)};
    writeLog(whole, frames);
    const std::string file = readFile(whole);
    for (std::size_t size = file.size() - (16 + 60); size < file.size(); ++size) {
        writeFile(path, file.substr(0, size));
        for (unsigned long capacity : {60ul, 59ul}) {
            EXPECT_EQ(readAll(path, capacity), Frames(frames.begin(), frames.end() - 1))
                << "cut at " << size << ", capacity " << capacity;
        }
    }
    EXPECT_EQ(readAll(whole), frames);
}

}  // namespace
