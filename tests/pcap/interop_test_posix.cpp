// The packet log against the tools support engineers use: tshark and libpcap read
// what EthrLogPacket writes, EthrReadPacketEx reads what libpcap's pcap_dump
// writes, and utilctl's pcap commands round-trip a log. Native only.
#include <gtest/gtest.h>
#include <pcap/pcap.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "pcap/capture_clock.h"
#include "pcap/capture_format.h"
#include "pcap/packet_log.h"
#include "support/test_support.h"

namespace {

using util_test::readFile;
using util_test::writeFile;

struct Frame {
    std::uint32_t seconds, microseconds;
    std::string bytes;
    bool operator==(const Frame& other) const {
        return seconds == other.seconds && microseconds == other.microseconds && bytes == other.bytes;
    }
};
void PrintTo(const Frame& frame, std::ostream* out) {
    *out << frame.seconds << "." << frame.microseconds << " #" << frame.bytes.size();
}
using Frames = std::vector<Frame>;

std::string pattern(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t index = 0; index < size; ++index) {
        bytes[index] = static_cast<char>(index * 11 + seed * 29);
    }
    return bytes;
}

const Frames kSample = {{1, 500000, pattern(60, 1)},          {1700000000u, 999999, pattern(1514, 2)},
                        {2147483647u, 999999, pattern(64, 3)}, {2147483648u, 0, pattern(70000, 4)},
                        {4000000000u, 123456, pattern(1, 5)},  {5, 0, pattern(300000, 6)}};
// A frame over 262,144 bytes is stored, and read back, as its first 262,144.
constexpr std::size_t kLargestStored = 262144;

// The exit status of a command (each argument quoted) with standard error into out.err,
// -1 when it did not exit.
int run(const std::vector<std::string>& arguments, const std::string& in, const std::string& out) {
    std::string command;
    for (const std::string& argument : arguments) {
        command += "'" + argument + "' ";
    }
    const int status = std::system((command + "<'" + in + "' >'" + out + "' 2>'" + out + ".err'").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::int64_t fixedFileTime = 0;
std::int64_t fixedSource() { return fixedFileTime; }

void writeWithFixedTimes(const std::string& path, const Frames& frames) {
    const auto previous = util::pcap::setFileTimeSourceForTesting(&fixedSource);
    void* log = EthrOpenLog(path.c_str(), 0);
    ASSERT_NE(log, nullptr);
    for (const Frame& frame : frames) {
        fixedFileTime = util::pcap::kFileTimeAtUnixEpoch + frame.seconds * 10000000LL + frame.microseconds * 10LL;
        EthrLogPacket(log, frame.bytes.data(), frame.bytes.size());
    }
    EthrCloseLog(log);
    util::pcap::setFileTimeSourceForTesting(previous);
}

Frames readWithPacketLog(const std::string& path) {
    Frames frames;
    void* log = EthrReadLog(path.c_str());
    EXPECT_NE(log, nullptr) << path;
    std::vector<char> buffer(300000);
    unsigned long length = buffer.size(), seconds = 0, microseconds = 0;
    while (log != nullptr && EthrReadPacketEx(log, buffer.data(), &length, &seconds, &microseconds) == 1) {
        frames.push_back({static_cast<std::uint32_t>(seconds), static_cast<std::uint32_t>(microseconds),
                          std::string(buffer.data(), length)});
        length = buffer.size();
    }
    EthrCloseLog(log);
    return frames;
}

Frames readWithLibpcap(const std::string& path) {
    Frames frames;
    char error[PCAP_ERRBUF_SIZE] = "";
    pcap_t* capture = pcap_open_offline(path.c_str(), error);
    EXPECT_NE(capture, nullptr) << error;
    if (capture == nullptr) return frames;
    EXPECT_EQ(pcap_datalink(capture), DLT_EN10MB);
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    while (pcap_next_ex(capture, &header, &data) == 1) {
        // libpcap delivers at most the snapshot length of a longer frame.
        EXPECT_EQ(header->caplen, header->len < 65535 ? header->len : 65535);
        frames.push_back({static_cast<std::uint32_t>(header->ts.tv_sec), static_cast<std::uint32_t>(header->ts.tv_usec),
                          std::string(reinterpret_cast<const char*>(data), header->caplen)});
    }
    pcap_close(capture);
    return frames;
}

TEST(Interop, TsharkAndLibpcapReadOurLogExactly) {
    util_test::TempDir dir;
    const std::string path = dir.file("ours.pcap"), output = dir.file("tshark.txt");
    writeWithFixedTimes(path, kSample);
    ASSERT_EQ(run({"tshark", "-r", path, "-T", "fields", "-e", "frame.len", "-e", "frame.cap_len", "-e",
                   "frame.time_epoch"}, "/dev/null", output), 0)
        << "tshark failed or is missing: " << readFile(output + ".err");
    std::string expected;
    Frames snapped = kSample, stored = kSample;
    for (std::size_t index = 0; index < kSample.size(); ++index) {
        const std::size_t size = kSample[index].bytes.size();
        char line[80];
        std::snprintf(line, sizeof line, "%zu\t%zu\t%u.%06u000\n", size, std::min(size, kLargestStored),
                      kSample[index].seconds, kSample[index].microseconds);
        expected += line;
        snapped[index].bytes.resize(std::min<std::size_t>(size, 65535));
        stored[index].bytes.resize(std::min(size, kLargestStored));
    }
    EXPECT_EQ(readFile(output), expected) << readFile(output + ".err");
    EXPECT_EQ(readWithLibpcap(path), snapped);
    EXPECT_EQ(readWithPacketLog(path), stored);
}

// pcap_dump writes what it is given: frames up to the snapshot length.
TEST(Interop, PacketLogReadsWhatPcapDumpWrites) {
    util_test::TempDir dir;
    const std::string path = dir.file("libpcap.pcap");
    pcap_t* dead = pcap_open_dead(DLT_EN10MB, 65535);
    ASSERT_NE(dead, nullptr);
    pcap_dumper_t* dumper = pcap_dump_open(dead, path.c_str());
    ASSERT_NE(dumper, nullptr) << pcap_geterr(dead);
    Frames frames;
    for (const Frame& frame : kSample) {
        if (frame.bytes.size() <= 65535) {
            frames.push_back(frame);
            pcap_pkthdr header{{frame.seconds, frame.microseconds}, static_cast<bpf_u_int32>(frame.bytes.size()),
                               static_cast<bpf_u_int32>(frame.bytes.size())};
            pcap_dump(reinterpret_cast<u_char*>(dumper), &header, reinterpret_cast<const u_char*>(frame.bytes.data()));
        }
    }
    pcap_dump_close(dumper);
    pcap_close(dead);
    EXPECT_EQ(readWithPacketLog(path), frames);
}

// utilctl pcap-write takes a frame per hex line and stops at a bad line; pcap-dump
// shows a log in the hex-dump layout.
TEST(Interop, UtilctlWritesAndDumpsLogs) {
    util_test::TempDir dir;
    const std::string input = dir.file("in.txt"), path = dir.file("written.pcap"), out = dir.file("out");
    const auto written = [&] {
        std::vector<std::string> bytes;
        for (const Frame& frame : readWithLibpcap(path)) bytes.push_back(frame.bytes);
        return bytes;
    };
    writeFile(input, "0a1B2c\n\n00 ff\t10\r\n");
    ASSERT_EQ(run({UTILCTL_PATH, "pcap-write", path}, input, out), 0);
    EXPECT_EQ(written(), (std::vector<std::string>{"\x0a\x1b\x2c", std::string("\x00\xff\x10", 3)}));
    ASSERT_EQ(run({UTILCTL_PATH, "pcap-write", path, "--cap", "1"}, input, out), 0);
    EXPECT_EQ(written().size(), 1u);
    writeFile(input, "0102\nxyz\n0304\n");
    EXPECT_EQ(run({UTILCTL_PATH, "pcap-write", path}, input, out), 1);
    EXPECT_EQ(written(), std::vector<std::string>{"\x01\x02"});  // the frame before the bad line stays

    writeWithFixedTimes(path, {{2147483648u, 999999, std::string("AB\0", 3)},
                               {1, 500000, std::string("0123456789abcdef\x7f", 17)},
                               {0, 0, ""}});
    ASSERT_EQ(run({UTILCTL_PATH, "pcap-dump", path}, "/dev/null", out), 0);
    EXPECT_EQ(readFile(out),
              "frame 1  2038-01-19 03:14:08.999999 UTC  length 3\n"
              "  0000  41 42 00                                          AB.\n"
              "frame 2  1970-01-01 00:00:01.500000 UTC  length 17\n"
              "  0000  30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66   0123456789abcdef\n"
              "  0010  7F                                                .\n"
              "frame 3  1970-01-01 00:00:00.000000 UTC  length 0\n"
              "3 frames\n");
}

}  // namespace
