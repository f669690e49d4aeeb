// A process that forks while another thread logs: no child inherits a handle's
// lock held by a thread that does not exist there.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "pcap/packet_log.h"
#include "support/child_posix.h"
#include "support/test_support.h"

namespace {

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
        status = util_test::runInChild([&] {
            EthrLogPacket(log, frame.data(), frame.size());
            return 0;  // runInChild leaves with _exit: nothing the parent buffered is flushed twice
        }, std::chrono::seconds(5));
    }
    stop = true;
    writer.join();
    EthrCloseLog(log);
    EXPECT_EQ(status, 0) << "kChildHung (-1): a child waited for a lock no thread of it holds";
}

}  // namespace
