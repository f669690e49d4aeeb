// The packet log against the tools support engineers use: tshark reads what
// EthrLogPacket writes, EthrReadPacket reads what libpcap's pcap_dump and
// text2pcap write, and utilctl's pcap commands round-trip a log. Native only.
#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "pcap/capture_clock.h"
#include "pcap/capture_format.h"
#include "pcap/packet_log.h"
#include "pcap/run_tool.h"
#include "support/test_support.h"

namespace {

using util_test::readFile;
using util_test::TempDir;
using util_test::writeFile;

struct Frame {
    std::uint32_t seconds;
    std::uint32_t microseconds;
    std::string bytes;
};

std::string patternFrame(std::size_t size, unsigned seed) {
    std::string frame(size, '\0');
    for (std::size_t index = 0; index < size; ++index) {
        frame[index] = static_cast<char>((index * 11 + seed * 29) & 0xFF);
    }
    return frame;
}

const std::vector<Frame>& sampleFrames() {
    static const std::vector<Frame> frames = {
        {1, 500000, patternFrame(60, 1)},
        {1700000000u, 999999, patternFrame(1514, 2)},
        {2147483647u, 999999, patternFrame(64, 3)},
        {2147483648u, 0, patternFrame(70000, 4)},  // 2038-01-19 03:14:08 UTC
        {4000000000u, 123456, patternFrame(1, 5)},
    };
    return frames;
}

std::int64_t fixedFileTime = 0;
std::int64_t fixedSource() { return fixedFileTime; }

// Writes the frames with EthrLogPacket, each stamped with its own time.
void writeWithFixedTimes(const std::string& path, const std::vector<Frame>& frames) {
    const auto previous = util::pcap::setFileTimeSourceForTesting(&fixedSource);
    void* log = EthrOpenLog(path.c_str(), 0);
    ASSERT_NE(log, nullptr);
    for (const Frame& frame : frames) {
        fixedFileTime = util::pcap::kFileTimeAtUnixEpoch + std::int64_t{frame.seconds} * 10000000 +
                        std::int64_t{frame.microseconds} * 10;
        EthrLogPacket(log, frame.bytes.data(), frame.bytes.size());
    }
    EthrCloseLog(log);
    util::pcap::setFileTimeSourceForTesting(previous);
}

// Every frame through EthrReadPacketEx, until it reports no more.
std::vector<Frame> readWithPacketLog(const std::string& path) {
    std::vector<Frame> frames;
    void* log = EthrReadLog(path.c_str());
    EXPECT_NE(log, nullptr) << path;
    if (log == nullptr) {
        return frames;
    }
    std::vector<char> buffer(100000);
    for (;;) {
        unsigned long length = buffer.size(), seconds = 0, microseconds = 0;
        if (EthrReadPacketEx(log, buffer.data(), &length, &seconds, &microseconds) != 1) {
            break;
        }
        frames.push_back({static_cast<std::uint32_t>(seconds), static_cast<std::uint32_t>(microseconds),
                          std::string(buffer.data(), length)});
    }
    EthrCloseLog(log);
    return frames;
}

std::vector<Frame> readWithLibpcap(const std::string& path) {
    std::vector<Frame> frames;
    char error[PCAP_ERRBUF_SIZE] = "";
    pcap_t* capture = pcap_open_offline(path.c_str(), error);
    EXPECT_NE(capture, nullptr) << error;
    if (capture == nullptr) {
        return frames;
    }
    EXPECT_EQ(pcap_datalink(capture), DLT_EN10MB);
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    while (pcap_next_ex(capture, &header, &data) == 1) {
        // libpcap delivers at most the snapshot length of a longer frame.
        EXPECT_EQ(header->caplen, header->len < 65535 ? header->len : 65535);
        frames.push_back({static_cast<std::uint32_t>(header->ts.tv_sec),
                          static_cast<std::uint32_t>(header->ts.tv_usec),
                          std::string(reinterpret_cast<const char*>(data), header->caplen)});
    }
    pcap_close(capture);
    return frames;
}

void expectSameFrames(const std::vector<Frame>& actual, const std::vector<Frame>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t index = 0; index < expected.size(); ++index) {
        EXPECT_EQ(actual[index].seconds, expected[index].seconds) << "frame " << index;
        EXPECT_EQ(actual[index].microseconds, expected[index].microseconds) << "frame " << index;
        EXPECT_EQ(actual[index].bytes.size(), expected[index].bytes.size()) << "frame " << index;
        EXPECT_TRUE(actual[index].bytes == expected[index].bytes) << "frame " << index;
    }
}

TEST(Interop, TsharkReadsTheSameFramesLengthsAndTimes) {
    TempDir dir;
    const std::string path = dir.file("ours.pcap");
    writeWithFixedTimes(path, sampleFrames());
    const std::string output = dir.file("tshark.txt");
    const int status = pcap_test::runTool({"tshark", "-r", path, "-T", "fields", "-e", "frame.len",
                                           "-e", "frame.cap_len", "-e", "frame.time_epoch"},
                                          "", output, dir.file("tshark.err"));
    ASSERT_EQ(status, 0) << "tshark failed or is missing: " << readFile(dir.file("tshark.err"));
    std::ostringstream expected;
    for (const Frame& frame : sampleFrames()) {
        char line[80];
        std::snprintf(line, sizeof line, "%zu\t%zu\t%u.%06u000\n", frame.bytes.size(), frame.bytes.size(),
                      frame.seconds, frame.microseconds);
        expected << line;
    }
    EXPECT_EQ(readFile(output), expected.str());
}

TEST(Interop, LibpcapReadsOurLogExactly) {
    TempDir dir;
    const std::string path = dir.file("ours.pcap");
    writeWithFixedTimes(path, sampleFrames());
    std::vector<Frame> snapped = sampleFrames();
    for (Frame& frame : snapped) {
        frame.bytes.resize(frame.bytes.size() < 65535 ? frame.bytes.size() : 65535);
    }
    expectSameFrames(readWithLibpcap(path), snapped);
    expectSameFrames(readWithPacketLog(path), sampleFrames());
}

TEST(Interop, PacketLogReadsWhatPcapDumpWrites) {
    TempDir dir;
    const std::string path = dir.file("libpcap.pcap");
    pcap_t* dead = pcap_open_dead(DLT_EN10MB, 65535);
    ASSERT_NE(dead, nullptr);
    pcap_dumper_t* dumper = pcap_dump_open(dead, path.c_str());
    ASSERT_NE(dumper, nullptr) << pcap_geterr(dead);
    std::vector<Frame> frames;
    for (const Frame& frame : sampleFrames()) {
        if (frame.bytes.size() <= 65535) {  // pcap_dump writes what it is given; keep to the snapshot length
            frames.push_back(frame);
        }
    }
    for (const Frame& frame : frames) {
        pcap_pkthdr header{};
        header.ts.tv_sec = frame.seconds;
        header.ts.tv_usec = frame.microseconds;
        header.caplen = header.len = static_cast<bpf_u_int32>(frame.bytes.size());
        pcap_dump(reinterpret_cast<u_char*>(dumper), &header,
                  reinterpret_cast<const u_char*>(frame.bytes.data()));
    }
    pcap_dump_close(dumper);
    pcap_close(dead);
    expectSameFrames(readWithPacketLog(path), frames);
}

TEST(Interop, PacketLogReadsWhatText2pcapWrites) {
    TempDir dir;
    const std::string text = dir.file("frames.txt");
    std::string input;
    std::vector<std::string> frames = {patternFrame(60, 7), patternFrame(17, 8), patternFrame(1500, 9)};
    for (std::size_t number = 0; number < frames.size(); ++number) {
        input += "2024-03-05 14:07:0" + std::to_string(number) + ".\n";
        for (std::size_t offset = 0; offset < frames[number].size(); offset += 16) {
            char line[80];
            int used = std::snprintf(line, sizeof line, "%04zx ", offset);
            for (std::size_t index = offset; index < offset + 16 && index < frames[number].size(); ++index) {
                used += std::snprintf(line + used, sizeof line - used, " %02x",
                                      static_cast<unsigned char>(frames[number][index]));
            }
            input += std::string(line) + "\n";
        }
        input += "\n";
    }
    writeFile(text, input);
    const std::string path = dir.file("text2pcap.pcap");
    const int status = pcap_test::runTool({"text2pcap", "-F", "pcap", "-t", "%Y-%m-%d %H:%M:%S.", text, path},
                                          "", dir.file("text2pcap.out"), dir.file("text2pcap.err"));
    ASSERT_EQ(status, 0) << "text2pcap failed or is missing: " << readFile(dir.file("text2pcap.err"));
    const std::vector<Frame> read = readWithPacketLog(path);
    ASSERT_EQ(read.size(), frames.size());
    for (std::size_t index = 0; index < frames.size(); ++index) {
        EXPECT_TRUE(read[index].bytes == frames[index]) << "frame " << index;
    }
    expectSameFrames(read, readWithLibpcap(path));  // and the same times as libpcap sees
}

TEST(Interop, UtilctlDumpsALogInTheHexDumpLayout) {
    TempDir dir;
    const std::string path = dir.file("dump.pcap");
    writeWithFixedTimes(path, {{2147483648u, 999999, std::string("AB\0", 3)},
                               {1, 500000, std::string("0123456789abcdef\x7f", 17)},
                               {0, 0, ""}});
    const std::string output = dir.file("dump.txt");
    ASSERT_EQ(pcap_test::runTool({UTILCTL_PATH, "pcap-dump", path}, "", output, dir.file("dump.err")), 0);
    EXPECT_EQ(readFile(output),
              "frame 1  2038-01-19 03:14:08.999999 UTC  length 3\n"
              "  0000  41 42 00                                          AB.\n"
              "frame 2  1970-01-01 00:00:01.500000 UTC  length 17\n"
              "  0000  30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66   0123456789abcdef\n"
              "  0010  7F                                                .\n"
              "frame 3  1970-01-01 00:00:00.000000 UTC  length 0\n"
              "3 frames\n");
}

TEST(Interop, UtilctlWritesOneFramePerLineAndHonoursTheCap) {
    TempDir dir;
    const std::string input = dir.file("in.txt");
    writeFile(input, "0a1B2c\n\n00 ff\t10\r\n");
    const std::string path = dir.file("written.pcap");
    ASSERT_EQ(pcap_test::runTool({UTILCTL_PATH, "pcap-write", path}, input, dir.file("o"), dir.file("e")), 0);
    const std::vector<Frame> frames = readWithLibpcap(path);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].bytes, "\x0a\x1b\x2c");
    EXPECT_EQ(frames[1].bytes, std::string("\x00\xff\x10", 3));

    ASSERT_EQ(pcap_test::runTool({UTILCTL_PATH, "pcap-write", path, "--cap", "1"}, input, dir.file("o"),
                                 dir.file("e")),
              0);
    EXPECT_EQ(readWithLibpcap(path).size(), 1u);

    writeFile(input, "0102\nxyz\n0304\n");
    EXPECT_EQ(pcap_test::runTool({UTILCTL_PATH, "pcap-write", path}, input, dir.file("o"), dir.file("e")), 1);
    EXPECT_EQ(readWithLibpcap(path).size(), 1u);  // the frame before the bad line stays
    EXPECT_EQ(pcap_test::runTool({UTILCTL_PATH, "pcap-write", path, "--cap", "-5"}, input, dir.file("o"),
                                 dir.file("e")),
              2);
    EXPECT_EQ(pcap_test::runTool({UTILCTL_PATH, "pcap-dump", dir.file("absent.pcap")}, "", dir.file("o"),
                                 dir.file("e")),
              1);
}

}  // namespace
