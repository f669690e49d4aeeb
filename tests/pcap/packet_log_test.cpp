// The packet log through the shared library: exact bytes, the cap, the reader's
// refusals and limits, and files that end early.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "pcap/packet_log.h"
#include "support/test_support.h"

namespace {

using util_test::readFile;
using util_test::TempDir;
using util_test::writeFile;

const std::string kFileHeader("\xD4\xC3\xB2\xA1\x02\x00\x04\x00\x00\x00\x00\x00"
                              "\x00\x00\x00\x00\xFF\xFF\x00\x00\x01\x00\x00\x00",
                              24);

std::uint32_t little32(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int index = 3; index >= 0; --index) {
        value = value << 8 | static_cast<unsigned char>(bytes.at(offset + index));
    }
    return value;
}

std::string little32Bytes(std::uint32_t value) {
    std::string bytes(4, '\0');
    for (int index = 0; index < 4; ++index) {
        bytes[index] = static_cast<char>(value >> (8 * index));
    }
    return bytes;
}

std::string recordBytes(std::uint32_t seconds, std::uint32_t microseconds, const std::string& data) {
    const auto length = static_cast<std::uint32_t>(data.size());
    return little32Bytes(seconds) + little32Bytes(microseconds) + little32Bytes(length) +
           little32Bytes(length) + data;
}

std::string patternFrame(std::size_t size, unsigned seed) {
    std::string frame(size, '\0');
    for (std::size_t index = 0; index < size; ++index) {
        frame[index] = static_cast<char>((index * 7 + seed * 13) & 0xFF);
    }
    return frame;
}

void writeLog(const std::string& path, const std::vector<std::string>& frames, unsigned long cap = 0) {
    void* log = EthrOpenLog(path.c_str(), cap);
    ASSERT_NE(log, nullptr);
    for (const std::string& frame : frames) {
        EthrLogPacket(log, frame.data(), frame.size());
    }
    EthrCloseLog(log);
}

// Reads every frame with a buffer of `capacity` bytes until the first 0 result.
std::vector<std::string> readAll(const std::string& path, unsigned long capacity = 70000) {
    std::vector<std::string> frames;
    void* log = EthrReadLog(path.c_str());
    EXPECT_NE(log, nullptr);
    if (log == nullptr) {
        return frames;
    }
    std::vector<char> buffer(capacity + 1);
    for (;;) {
        unsigned long length = capacity;
        if (EthrReadPacket(log, buffer.data(), &length) != 1) {
            EXPECT_EQ(length, 0u);
            break;
        }
        EXPECT_GT(length, 0u);
        EXPECT_LE(length, capacity);
        frames.emplace_back(buffer.data(), length);
    }
    EthrCloseLog(log);
    return frames;
}

TEST(PacketLogWrite, OpenAndCloseLeaveTheExactFileHeader) {
    TempDir dir;
    const std::string path = dir.file("empty.pcap");
    writeFile(path, "old contents that must be truncated away");
    writeLog(path, {});
    EXPECT_EQ(readFile(path), kFileHeader);
}

TEST(PacketLogWrite, RecordsCarryLengthsAndDataUnchangedInOrder) {
    TempDir dir;
    const std::string path = dir.file("frames.pcap");
    const std::vector<std::string> frames = {patternFrame(60, 1), patternFrame(1514, 2),
                                             patternFrame(1, 3)};
    writeLog(path, frames);

    const std::string file = readFile(path);
    ASSERT_EQ(file.size(), 24u + 3 * 16 + 60 + 1514 + 1);
    EXPECT_EQ(file.substr(0, 24), kFileHeader);
    std::size_t offset = 24;
    for (const std::string& frame : frames) {
        EXPECT_LT(little32(file, offset + 4), 1000000u);
        EXPECT_EQ(little32(file, offset + 8), frame.size());
        EXPECT_EQ(little32(file, offset + 12), frame.size());
        EXPECT_EQ(file.substr(offset + 16, frame.size()), frame);
        offset += 16 + frame.size();
    }
    EXPECT_EQ(readAll(path), frames);
}

TEST(PacketLogWrite, FrameLongerThanTheSnapshotLengthIsStoredWhole) {
    TempDir dir;
    const std::string path = dir.file("jumbo.pcap");
    const std::string frame = patternFrame(70000, 4);
    writeLog(path, {frame});
    const std::string file = readFile(path);
    ASSERT_EQ(file.size(), 24u + 16 + 70000);
    EXPECT_EQ(little32(file, 24 + 8), 70000u);
    EXPECT_EQ(little32(file, 24 + 12), 70000u);
    EXPECT_EQ(readAll(path, 70000), std::vector<std::string>{frame});
}

TEST(PacketLogWrite, CapLetsTheCrossingRecordThroughWholeAndDropsTheRest) {
    TempDir dir;
    const std::string capped = dir.file("capped.pcap");
    writeLog(capped, {patternFrame(200, 1), patternFrame(10, 2), patternFrame(1, 3)}, 100);
    EXPECT_EQ(readFile(capped).size(), 24u + 216);
    EXPECT_EQ(readAll(capped), std::vector<std::string>{patternFrame(200, 1)});

    // A record goes in while the count is below the cap: at 100 of 101 it still
    // does, at 100 of 100 it no longer does.
    const std::string below = dir.file("below.pcap");
    writeLog(below, {patternFrame(34, 1), patternFrame(34, 2), patternFrame(34, 3)}, 101);
    EXPECT_EQ(readFile(below).size(), 24u + 3 * 50);
    const std::string reached = dir.file("reached.pcap");
    writeLog(reached, {patternFrame(34, 1), patternFrame(34, 2), patternFrame(34, 3)}, 100);
    EXPECT_EQ(readFile(reached).size(), 24u + 2 * 50);

    const std::string uncapped = dir.file("uncapped.pcap");
    std::vector<std::string> many(50, patternFrame(100, 5));
    writeLog(uncapped, many, 0);
    EXPECT_EQ(readFile(uncapped).size(), 24u + 50 * 116);
}

TEST(PacketLogWrite, NullArgumentsAndZeroLengthFrames) {
    EXPECT_EQ(EthrOpenLog(nullptr, 0), nullptr);
    EXPECT_EQ(EthrReadLog(nullptr), nullptr);
    const char frame[4] = {1, 2, 3, 4};
    EthrLogPacket(nullptr, frame, 4);
    EthrCloseLog(nullptr);

    TempDir dir;
    const std::string path = dir.file("zero.pcap");
    void* log = EthrOpenLog(path.c_str(), 0);
    ASSERT_NE(log, nullptr);
    EthrLogPacket(log, nullptr, 60);  // nothing
    EthrLogPacket(log, frame, 0);     // a record header with both lengths 0
    EthrLogPacket(log, frame, 4);
    if (sizeof(unsigned long) > 4) {
        // A length no record header can hold is refused before the data is touched.
        EthrLogPacket(log, frame, static_cast<unsigned long>(0xFFFFFFFFu) + 1);
    }
    EthrCloseLog(log);

    const std::string file = readFile(path);
    ASSERT_EQ(file.size(), 24u + 16 + 16 + 4);
    EXPECT_EQ(little32(file, 24 + 8), 0u);
    EXPECT_EQ(little32(file, 24 + 12), 0u);

    // The zero-length record reads like the end, but the next call goes on.
    void* in = EthrReadLog(path.c_str());
    ASSERT_NE(in, nullptr);
    char buffer[16];
    unsigned long length = sizeof buffer;
    EXPECT_EQ(EthrReadPacket(in, buffer, &length), 0);
    EXPECT_EQ(length, 0u);
    length = sizeof buffer;
    EXPECT_EQ(EthrReadPacket(in, buffer, &length), 1);
    EXPECT_EQ(std::string(buffer, length), std::string(frame, 4));
    length = 77;
    EXPECT_EQ(EthrReadPacket(in, nullptr, &length), 0);
    EXPECT_EQ(length, 77u);  // untouched
    EXPECT_EQ(EthrReadPacket(in, buffer, nullptr), 0);
    EXPECT_EQ(EthrReadPacket(nullptr, buffer, &length), 0);
    EXPECT_EQ(length, 77u);
    EthrCloseLog(in);
}

TEST(PacketLogWrite, UnwritablePathGivesNull) {
    TempDir dir;
    EXPECT_EQ(EthrOpenLog(dir.file("missing-directory/x.pcap").c_str(), 0), nullptr);
    EXPECT_EQ(EthrOpenLog(dir.path().c_str(), 0), nullptr);  // a directory
}

TEST(PacketLogWrite, PathLongerThanTheRecordFieldOpensTheWholePath) {
    TempDir dir;
    std::filesystem::path directory(dir.path());
    while (directory.string().size() < 280) {
        directory /= std::string(60, 'd');
    }
    std::filesystem::create_directories(directory);
    const std::string file = (directory / "log.pcap").string();
    ASSERT_GT(file.size(), 259u);
    writeLog(file, {patternFrame(20, 9)});
    EXPECT_EQ(readAll(file), std::vector<std::string>{patternFrame(20, 9)});
}

TEST(PacketLogRead, RefusesOtherMagicNumbersAndVersions) {
    TempDir dir;
    const std::string record = recordBytes(1, 2, patternFrame(8, 1));
    const struct {
        const char* name;
        std::string header;
    } refused[] = {
        {"big-endian", std::string("\xA1\xB2\xC3\xD4\x00\x02\x00\x04", 8) + kFileHeader.substr(8)},
        {"nanosecond", std::string("\x4D\x3C\xB2\xA1", 4) + kFileHeader.substr(4)},
        {"version 2.3", kFileHeader.substr(0, 6) + std::string("\x03\x00", 2) + kFileHeader.substr(8)},
        {"version 1.4", kFileHeader.substr(0, 4) + std::string("\x01\x00", 2) + kFileHeader.substr(6)},
        {"cut magic", std::string("\xD4\xC3\xB2\xA2", 3)},
        {"cut version", kFileHeader.substr(0, 6) + std::string("\x05", 1)},
    };
    for (const auto& file : refused) {
        const std::string path = dir.file(std::string(file.name) + ".pcap");
        writeFile(path, file.header + record);
        EXPECT_EQ(EthrReadLog(path.c_str()), nullptr) << file.name;
    }
    EXPECT_EQ(EthrReadLog(dir.file("absent.pcap").c_str()), nullptr);

    // Fields other than magic and version are not judged: another link type reads.
    const std::string other = dir.file("other-link.pcap");
    writeFile(other, kFileHeader.substr(0, 20) + little32Bytes(105) + record);
    EXPECT_EQ(readAll(other), std::vector<std::string>{patternFrame(8, 1)});
}

TEST(PacketLogRead, EmptyAndCutFileHeadersHoldNoFrames) {
    TempDir dir;
    for (std::size_t size : {0u, 1u, 3u, 4u, 6u, 8u, 12u, 23u, 24u}) {
        const std::string path = dir.file("header" + std::to_string(size) + ".pcap");
        writeFile(path, kFileHeader.substr(0, size));
        void* log = EthrReadLog(path.c_str());
        ASSERT_NE(log, nullptr) << size;
        char buffer[64];
        unsigned long length = sizeof buffer;
        EXPECT_EQ(EthrReadPacket(log, buffer, &length), 0) << size;
        EXPECT_EQ(length, 0u);
        EthrCloseLog(log);
    }
}

TEST(PacketLogRead, CapacityEqualToTheRecordDeliversOneLessLosesIt) {
    TempDir dir;
    const std::string path = dir.file("capacity.pcap");
    const std::vector<std::string> frames = {patternFrame(100, 1), patternFrame(100, 2),
                                             patternFrame(99, 3)};
    writeLog(path, frames);
    void* log = EthrReadLog(path.c_str());
    ASSERT_NE(log, nullptr);
    char buffer[100];
    unsigned long length = 100;
    ASSERT_EQ(EthrReadPacket(log, buffer, &length), 1);
    EXPECT_EQ(std::string(buffer, length), frames[0]);
    length = 99;
    EXPECT_EQ(EthrReadPacket(log, buffer, &length), 0);  // skipped and lost
    EXPECT_EQ(length, 0u);
    length = 99;
    ASSERT_EQ(EthrReadPacket(log, buffer, &length), 1);  // the next record follows
    EXPECT_EQ(std::string(buffer, length), frames[2]);
    length = 99;
    EXPECT_EQ(EthrReadPacket(log, buffer, &length), 0);
    EXPECT_EQ(length, 0u);
    EthrCloseLog(log);
}

TEST(PacketLogRead, ExtendedReadTellsZeroLengthSkippedAndEndApart) {
    TempDir dir;
    const std::string path = dir.file("extended.pcap");
    writeFile(path, kFileHeader + recordBytes(0x80000000u, 999999, "") +
                        recordBytes(7, 8, patternFrame(40, 1)) + recordBytes(9, 10, "abc"));
    void* log = EthrReadLog(path.c_str());
    ASSERT_NE(log, nullptr);
    char buffer[8];
    unsigned long length = sizeof buffer, seconds = 0, microseconds = 0;
    EXPECT_EQ(EthrReadPacketEx(log, buffer, &length, &seconds, &microseconds), 1);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(seconds, 0x80000000u);
    EXPECT_EQ(microseconds, 999999u);
    length = sizeof buffer;
    EXPECT_EQ(EthrReadPacketEx(log, buffer, &length, &seconds, &microseconds), -1);
    EXPECT_EQ(length, 40u);
    EXPECT_EQ(seconds, 7u);
    length = sizeof buffer;
    EXPECT_EQ(EthrReadPacketEx(log, buffer, &length, &seconds, &microseconds), 1);
    EXPECT_EQ(std::string(buffer, length), "abc");
    EXPECT_EQ(microseconds, 10u);
    length = sizeof buffer;
    EXPECT_EQ(EthrReadPacketEx(log, buffer, &length, &seconds, &microseconds), 0);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(EthrReadPacketEx(log, buffer, &length, nullptr, &microseconds), 0);
    EthrCloseLog(log);
}

TEST(PacketLogRead, FileCutAnywhereInItsLastRecordYieldsTheWholeRecordsBefore) {
    TempDir dir;
    const std::string whole = dir.file("whole.pcap");
    const std::vector<std::string> frames = {patternFrame(30, 1), patternFrame(45, 2),
                                             patternFrame(60, 3)};
    writeLog(whole, frames);
    const std::string file = readFile(whole);
    const std::size_t lastRecord = file.size() - (16 + 60);
    const std::vector<std::string> before(frames.begin(), frames.end() - 1);
    const std::string path = dir.file("cut.pcap");
    for (std::size_t size = lastRecord; size < file.size(); ++size) {
        writeFile(path, file.substr(0, size));
        for (unsigned long capacity : {60ul, 59ul}) {
            void* log = EthrReadLog(path.c_str());
            ASSERT_NE(log, nullptr);
            std::vector<char> buffer(60);
            std::vector<std::string> read;
            int result = 0;
            unsigned long length = 0, seconds = 0, microseconds = 0;
            for (;;) {
                length = capacity;
                result = EthrReadPacketEx(log, buffer.data(), &length, &seconds, &microseconds);
                if (result != 1) {
                    break;
                }
                read.emplace_back(buffer.data(), length);
            }
            EXPECT_EQ(result, 0) << "cut at " << size << ", capacity " << capacity;
            EXPECT_EQ(length, 0u);
            EXPECT_EQ(read, before) << "cut at " << size;
            length = capacity;
            EXPECT_EQ(EthrReadPacket(log, buffer.data(), &length), 0);  // the end stays the end
            EthrCloseLog(log);
        }
    }
    EXPECT_EQ(readAll(whole), frames);
}

TEST(PacketLogRead, HandlesOfTheWrongKindDoNothing) {
    TempDir dir;
    const std::string path = dir.file("kinds.pcap");
    writeLog(path, {patternFrame(10, 1)});
    void* reader = EthrReadLog(path.c_str());
    ASSERT_NE(reader, nullptr);
    EthrLogPacket(reader, "xyz", 3);
    char buffer[16];
    unsigned long length = sizeof buffer;
    EXPECT_EQ(EthrReadPacket(reader, buffer, &length), 1);
    EthrCloseLog(reader);

    void* writer = EthrOpenLog(dir.file("writer.pcap").c_str(), 0);
    ASSERT_NE(writer, nullptr);
    length = sizeof buffer;
    EXPECT_EQ(EthrReadPacket(writer, buffer, &length), 0);
    EXPECT_EQ(length, 0u);
    EthrCloseLog(writer);
    EXPECT_EQ(readFile(path).size(), 24u + 16 + 10);
    EXPECT_EQ(readFile(dir.file("writer.pcap")), kFileHeader);
}

}  // namespace
