// The packet log on POSIX: libpcap (the capture tools' reader) and utilctl read it; a fork while a thread logs.
#include <pcap/pcap.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "pcap/capture_format.h"
#include "pcap/log_fixture.h"
#include "support/child_posix.h"
#include "support/test_support.h"

namespace pcap_test {
namespace {

// Times at the edges of 32-bit seconds; frames over the snapshot length and over a record's 262,144 bytes.
TEST(Interop, LibpcapReadsOurLog) {
    util_test::TempDir dir;
    const std::string path = dir.file("ours.pcap");
    const std::vector<Record> sample = {{1, 500000, frame(60, 1)},          {1700000000, 999999, frame(1514, 2)},
                                        {2147483647, 999999, frame(64, 3)}, {2147483648u, 0, frame(70000, 4)},
                                        {4000000000u, 123456, frame(1, 5)}, {5, 0, frame(300000, 6)}};
    Frames frames;
    std::vector<std::int64_t> times;
    for (const auto& [seconds, microseconds, bytes] : sample) {
        frames.push_back(bytes);
        times.push_back(util::pcap::kFileTimeAtUnixEpoch + seconds * 10000000LL + microseconds * 10LL);
    }
    writeLog(path, frames, 0, times);
    char error[PCAP_ERRBUF_SIZE] = "";
    pcap_t* capture = pcap_open_offline(path.c_str(), error);
    ASSERT_NE(capture, nullptr) << error;
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    std::size_t index = 0;
    for (; pcap_next_ex(capture, &header, &data) == 1; ++index) {
        ASSERT_LT(index, sample.size());
        const auto& [seconds, microseconds, bytes] = sample[index];
        EXPECT_EQ(Record(static_cast<std::uint32_t>(header->ts.tv_sec), header->ts.tv_usec,
                         std::string(data, data + header->caplen)),
                  Record(seconds, microseconds, bytes.substr(0, 65535)));
        EXPECT_EQ(header->len, bytes.size());  // the frame's true length
    }
    EXPECT_EQ(index, sample.size());
    pcap_close(capture);
    // utilctl lists the log with UTC times, also past 2038 (the hex layout is its own suite's).
    ASSERT_EQ(std::system((UTILCTL_PATH " pcap-dump '" + path + "' >'" + path + ".txt'").c_str()), 0);
    EXPECT_NE(util_test::readFile(path + ".txt").find("frame 5  2096-10-02 07:06:40.123456 UTC"), std::string::npos);
}

// No forked child inherits a lock (a handle's, the handle list's) held by a thread it does not have.
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
                EthrCloseLog(EthrOpenLog(dir.file("child.pcap").c_str(), 0));
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
