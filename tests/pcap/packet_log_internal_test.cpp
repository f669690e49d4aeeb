// The packet log's internals: record times through the clock seam (exact bytes at
// chosen instants, the arithmetic at its edges, the real clock against the
// standard library's), the byte counter at its limit and the path field.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "pcap/capture_clock.h"
#include "pcap/capture_format.h"
#include "pcap/packet_log.h"
#include "pcap/packet_log_handle.h"
#include "support/test_support.h"

namespace {

using util::pcap::kFileTimeAtUnixEpoch;
using util::pcap::recordTimeFromFileTime;

std::int64_t fixedFileTime = 0;
std::int64_t fixedSource() { return fixedFileTime; }

// Installs the fixed clock for one test.
class FixedClock : public ::testing::Test {
protected:
    void SetUp() override { previous_ = util::pcap::setFileTimeSourceForTesting(&fixedSource); }
    void TearDown() override { util::pcap::setFileTimeSourceForTesting(previous_); }

    static void at(std::int64_t secondsSince1970, std::int64_t microseconds) {
        fixedFileTime = kFileTimeAtUnixEpoch + secondsSince1970 * 10000000 + microseconds * 10;
    }

private:
    util::pcap::FileTimeSource previous_ = nullptr;
};

std::string logOneFrame(const std::string& path, const std::string& frame) {
    void* log = EthrOpenLog(path.c_str(), 0);
    EXPECT_NE(log, nullptr);
    EthrLogPacket(log, frame.data(), frame.size());
    EthrCloseLog(log);
    return util_test::readFile(path);
}

TEST_F(FixedClock, RecordBytesAtOneAndAHalfSecondsPastTheEpoch) {
    util_test::TempDir dir;
    at(1, 500000);
    std::string frame(60, '\0');
    for (int index = 0; index < 60; ++index) {
        frame[index] = static_cast<char>(0xF0 - index);
    }
    const std::string file = logOneFrame(dir.file("t.pcap"), frame);
    const std::string expected = std::string("\x01\x00\x00\x00\x20\xA1\x07\x00\x3C\x00\x00\x00\x3C\x00\x00\x00", 16) + frame;
    ASSERT_EQ(file.size(), 24u + 16 + 60);
    EXPECT_EQ(file.substr(24), expected);
}

TEST_F(FixedClock, TimesPast2038AndTheLastMicrosecondReadBackExactly) {
    util_test::TempDir dir;
    const std::string path = dir.file("late.pcap");
    void* log = EthrOpenLog(path.c_str(), 0);
    ASSERT_NE(log, nullptr);
    const struct {
        std::int64_t seconds;
        std::int64_t microseconds;
    } instants[] = {{2147483648LL, 0},         // 2038-01-19 03:14:08 UTC
                    {2147483647LL, 999999},    // the microsecond before it
                    {4294967295LL, 999999},    // the last instant the field holds
                    {1700000000LL, 999999}};
    for (const auto& instant : instants) {
        at(instant.seconds, instant.microseconds);
        EthrLogPacket(log, "x", 1);
    }
    EthrCloseLog(log);

    void* in = EthrReadLog(path.c_str());
    ASSERT_NE(in, nullptr);
    for (const auto& instant : instants) {
        char buffer[4];
        unsigned long length = sizeof buffer, seconds = 0, microseconds = 0;
        ASSERT_EQ(EthrReadPacketEx(in, buffer, &length, &seconds, &microseconds), 1);
        EXPECT_EQ(seconds, static_cast<unsigned long>(instant.seconds));
        EXPECT_EQ(microseconds, static_cast<unsigned long>(instant.microseconds));
    }
    EthrCloseLog(in);
}

TEST(RecordTime, ConversionTruncatesAndKeepsMicrosecondsInRange) {
    // 100-ns remainders are dropped, never rounded up.
    auto time = recordTimeFromFileTime(kFileTimeAtUnixEpoch + 9999999);
    EXPECT_EQ(time.seconds, 0u);
    EXPECT_EQ(time.microseconds, 999999u);
    time = recordTimeFromFileTime(kFileTimeAtUnixEpoch + 10000000);
    EXPECT_EQ(time.seconds, 1u);
    EXPECT_EQ(time.microseconds, 0u);
    // 2106-02-07 06:28:16 UTC wraps the 32-bit seconds to 0.
    time = recordTimeFromFileTime(kFileTimeAtUnixEpoch + 4294967296LL * 10000000 + 70);
    EXPECT_EQ(time.seconds, 0u);
    EXPECT_EQ(time.microseconds, 7u);
    // Half a second before the epoch: the second before it, and 500,000 microseconds.
    time = recordTimeFromFileTime(kFileTimeAtUnixEpoch - 5000000);
    EXPECT_EQ(time.seconds, 0xFFFFFFFFu);
    EXPECT_EQ(time.microseconds, 500000u);
    // 1601-01-01 itself.
    time = recordTimeFromFileTime(0);
    EXPECT_EQ(time.seconds, static_cast<std::uint32_t>(-11644473600LL));
    EXPECT_EQ(time.microseconds, 0u);
}

TEST(RecordTime, SystemClockAgreesWithTheStandardLibrary) {
    const auto before = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
    const auto time = recordTimeFromFileTime(util::pcap::captureFileTimeNow());
    const auto after = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    const std::int64_t stamped = static_cast<std::int64_t>(time.seconds) * 1000000 + time.microseconds;
    // The clocks may differ in resolution (Windows ticks in 100 ns or coarser).
    EXPECT_GE(stamped, before - 20000);
    EXPECT_LE(stamped, after + 20000);
}

TEST(ByteCounter, StopsAtItsMaximumInsteadOfWrappingPastTheCap) {
    util_test::TempDir dir;
    const std::string path = dir.file("counter.pcap");
    void* log = EthrOpenLog(path.c_str(), 0xFFFFFFFFul);
    ASSERT_NE(log, nullptr);
    auto* handle = static_cast<util::pcap::EthrLogHandle*>(log);
    EXPECT_EQ(handle->limit, 0xFFFFFFFFu);
    handle->written = 0xFFFFFFF0u;  // as after nearly 4 GiB of records
    const std::string frame(100, 'f');
    EthrLogPacket(log, frame.data(), frame.size());  // crosses the cap: written whole
    EXPECT_EQ(handle->written, 0xFFFFFFFFu);         // not 0x64 after a wrap
    EthrLogPacket(log, frame.data(), frame.size());  // dropped
    EthrCloseLog(log);
    EXPECT_EQ(util_test::readFile(path).size(), 24u + 116);

    if (sizeof(unsigned long) > 4) {
        // A cap the 32-bit counter can never reach is no cap at all.
        void* uncapped = EthrOpenLog(path.c_str(), static_cast<unsigned long>(0xFFFFFFFFu) + 1);
        ASSERT_NE(uncapped, nullptr);
        EXPECT_EQ(static_cast<util::pcap::EthrLogHandle*>(uncapped)->limit, 0u);
        EthrCloseLog(uncapped);
    }
    void* reader = EthrReadLog(path.c_str());
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(static_cast<util::pcap::EthrLogHandle*>(reader)->limit, 0u);
    EXPECT_EQ(static_cast<util::pcap::EthrLogHandle*>(reader)->written, 0u);
    EthrCloseLog(reader);
}

TEST(PathField, LongPathsAreCutTo259Characters) {
    char field[util::pcap::kPathFieldSize];
    util::pcap::copyPathField(field, std::string(400, 'p').c_str());
    EXPECT_EQ(std::string(field), std::string(259, 'p'));
    util::pcap::copyPathField(field, std::string(259, 'q').c_str());
    EXPECT_EQ(std::string(field), std::string(259, 'q'));
    util::pcap::copyPathField(field, "short");
    EXPECT_EQ(std::string(field), "short");
}

}  // namespace
