// The packet log on POSIX: against libpcap, the reader capture tools share (it
// reads what EthrLogPacket writes, EthrReadPacketEx reads what its pcap_dump
// writes); utilctl writing and listing logs; a fork while another thread logs.
#include <pcap/pcap.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "pcap/capture_clock.h"
#include "pcap/capture_format.h"
#include "pcap/log_fixture.h"
#include "support/child_posix.h"
#include "support/test_support.h"

namespace pcap_test {
namespace {

// The exit status of a command (each argument quoted) with standard error into out.err.
int run(const std::vector<std::string>& arguments, const std::string& in, const std::string& out) {
    std::string command;
    for (const std::string& argument : arguments) command += "'" + argument + "' ";
    const int status = std::system((command + "<'" + in + "' >'" + out + "' 2>'" + out + ".err'").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::int64_t fixedFileTime = 0;
std::int64_t fixedSource() { return fixedFileTime; }

void writeAt(const std::string& path, const std::vector<Record>& records) {
    const auto previous = util::pcap::setFileTimeSourceForTesting(&fixedSource);
    void* log = EthrOpenLog(path.c_str(), 0);
    ASSERT_NE(log, nullptr);
    for (const auto& [seconds, microseconds, bytes] : records) {
        fixedFileTime = util::pcap::kFileTimeAtUnixEpoch + seconds * 10000000LL + microseconds * 10LL;
        EthrLogPacket(log, bytes.data(), bytes.size());
    }
    EthrCloseLog(log);
    util::pcap::setFileTimeSourceForTesting(previous);
}

// Times at the edges of the signed and unsigned 32-bit seconds; a frame longer than
// the snapshot length, and one longer than the 262,144 bytes a record stores.
TEST(Interop, LibpcapReadsOurLogAndWeReadItsDump) {
    util_test::TempDir dir;
    const std::string path = dir.file("ours.pcap"), dumped = dir.file("dump.pcap");
    const std::vector<Record> sample = {{1, 500000, frame(60, 1)},          {1700000000, 999999, frame(1514, 2)},
                                        {2147483647, 999999, frame(64, 3)}, {2147483648u, 0, frame(70000, 4)},
                                        {4000000000u, 123456, frame(1, 5)}, {5, 0, frame(300000, 6)}};
    writeAt(path, sample);
    std::vector<Record> snapped = sample;  // what libpcap delivers: at most its snapshot length
    for (Record& record : snapped) std::get<2>(record).resize(std::min<std::size_t>(std::get<2>(record).size(), 65535));
    // libpcap reads every record and writes it again with pcap_dump, for us to read.
    char error[PCAP_ERRBUF_SIZE] = "";
    pcap_t* capture = pcap_open_offline(path.c_str(), error);
    ASSERT_NE(capture, nullptr) << error;
    EXPECT_EQ(pcap_datalink(capture), DLT_EN10MB);
    pcap_dumper_t* dumper = pcap_dump_open(capture, dumped.c_str());
    ASSERT_NE(dumper, nullptr) << pcap_geterr(capture);
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    for (std::size_t index = 0; pcap_next_ex(capture, &header, &data) == 1; ++index) {
        ASSERT_LT(index, sample.size());
        EXPECT_EQ(header->len, std::get<2>(sample[index]).size());  // the frame's true length
        pcap_dump(reinterpret_cast<u_char*>(dumper), header, data);
    }
    pcap_dump_close(dumper);
    pcap_close(capture);
    std::vector<Record> records;
    readAll(dumped, 300000, &records);
    EXPECT_TRUE(records == snapped);
}

// utilctl pcap-write takes a frame per hex line and stops at a bad line; pcap-dump
// shows a log in the hex-dump layout.
TEST(Interop, UtilctlWritesAndDumpsLogs) {
    util_test::TempDir dir;
    const std::string input = dir.file("in.txt"), path = dir.file("written.pcap"), out = dir.file("out");
    util_test::writeFile(input, "0a1B2c\n\n00 ff\t10\r\nxyz\n0304\n");
    EXPECT_EQ(run({UTILCTL_PATH, "pcap-write", path}, input, out), 1);
    EXPECT_EQ(readAll(path), (std::vector<std::string>{"\x0a\x1b\x2c", std::string("\x00\xff\x10", 3)}));
    writeAt(path, {{2147483648u, 999999, std::string("AB\0", 3)}, {1, 500000, "0123456789abcdef\x7f"}, {0, 0, ""}});
    ASSERT_EQ(run({UTILCTL_PATH, "pcap-dump", path}, "/dev/null", out), 0);
    EXPECT_EQ(util_test::readFile(out),
              "frame 1  2038-01-19 03:14:08.999999 UTC  length 3\n"
              "  0000  41 42 00                                          AB.\n"
              "frame 2  1970-01-01 00:00:01.500000 UTC  length 17\n"
              "  0000  30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66   0123456789abcdef\n"
              "  0010  7F                                                .\n"
              "frame 3  1970-01-01 00:00:00.000000 UTC  length 0\n"
              "3 frames\n");
}

// No forked child inherits a handle's lock held by a thread that does not exist there.
TEST(PacketLogFork, ChildLogsWhileTheParentsThreadKeepsLogging) {
    util_test::TempDir dir;
    void* log = EthrOpenLog(dir.file("busy.pcap").c_str(), 0);
    ASSERT_NE(log, nullptr);
    const std::string frame(1500, 'f');
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        while (!stop) EthrLogPacket(log, frame.data(), frame.size());
    });
    int status = 0;
    for (int child = 0; child < 30 && status == 0; ++child) {
        status = util_test::runInChild(
            [&] {
                EthrLogPacket(log, frame.data(), frame.size());
                return 0;  // runInChild leaves with _exit: nothing the parent buffered is flushed twice
            },
            std::chrono::seconds(5));
    }
    stop = true;
    writer.join();
    EthrCloseLog(log);
    EXPECT_EQ(status, 0) << "kChildHung (-1): a child waited for a lock no thread of it holds";
}

}  // namespace
}  // namespace pcap_test
