// A process that forks while another thread logs: no child inherits a handle's
// lock held by a thread that does not exist there.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "pcap/packet_log.h"
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
    int hung = 0;
    for (int child = 0; child < 30 && hung == 0; ++child) {
        const pid_t pid = fork();
        if (pid == 0) {
            EthrLogPacket(log, frame.data(), frame.size());
            _exit(0);  // without flushing what the parent buffered
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > until) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                ++hung;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    stop = true;
    writer.join();
    EthrCloseLog(log);
    EXPECT_EQ(hung, 0);
}

}  // namespace
