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

using util::pcap::EthrLogHandle;
using util::pcap::kFileTimeAtUnixEpoch;

std::int64_t fixedFileTime = 0;
std::int64_t fixedSource() { return fixedFileTime; }

TEST(RecordTime, ExactRecordBytesAtChosenInstants) {
    // Each instant, and the seconds and microseconds it must give, little-endian.
    const struct { std::int64_t seconds, microseconds; const char* header; } instants[] = {
        {1, 500000, "\x01\x00\x00\x00\x20\xA1\x07\x00"},
        {2147483648LL, 0, "\x00\x00\x00\x80\x00\x00\x00\x00"},  // 2038-01-19 03:14:08 UTC
        {4294967295LL, 999999, "\xFF\xFF\xFF\xFF\x3F\x42\x0F\x00"}};  // the field's last
    std::string frame(60, '\0');
    for (int index = 0; index < 60; ++index) frame[index] = static_cast<char>(0xF0 - index);
    util_test::TempDir dir;
    const std::string path = dir.file("times.pcap");
    void* log = EthrOpenLog(path.c_str(), 0);
    ASSERT_NE(log, nullptr);
    const auto previous = util::pcap::setFileTimeSourceForTesting(&fixedSource);
    std::string expected;
    for (const auto& instant : instants) {
        fixedFileTime = kFileTimeAtUnixEpoch + instant.seconds * 10000000 + instant.microseconds * 10;
        EthrLogPacket(log, frame.data(), frame.size());
        expected += std::string(instant.header, 8) + std::string("\x3C\x00\x00\x00\x3C\x00\x00\x00", 8) + frame;
    }
    EthrCloseLog(log);
    util::pcap::setFileTimeSourceForTesting(previous);
    EXPECT_EQ(util_test::readFile(path).substr(24), expected);
}

TEST(RecordTime, ConversionTruncatesAndKeepsMicrosecondsInRange) {
    const struct { std::int64_t fileTime; std::uint32_t seconds, microseconds; } cases[] = {
        {kFileTimeAtUnixEpoch + 9999999, 0, 999999},  // 100-ns remainders dropped, never rounded up
        {kFileTimeAtUnixEpoch + 10000000, 1, 0},
        {kFileTimeAtUnixEpoch + 4294967296LL * 10000000 + 70, 0, 7},  // 2106 wraps the seconds
        {kFileTimeAtUnixEpoch - 5000000, 0xFFFFFFFFu, 500000},  // half a second before 1970
        {0, static_cast<std::uint32_t>(-11644473600LL), 0},      // 1601-01-01
    };
    for (const auto& test : cases) {
        const auto time = util::pcap::recordTimeFromFileTime(test.fileTime);
        EXPECT_EQ(time.seconds, test.seconds) << test.fileTime;
        EXPECT_EQ(time.microseconds, test.microseconds) << test.fileTime;
    }
}

TEST(RecordTime, SystemClockAgreesWithTheStandardLibrary) {
    const auto now = [] {
        using namespace std::chrono;
        return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    };
    const auto before = now();
    const auto time = util::pcap::recordTimeFromFileTime(util::pcap::captureFileTimeNow());
    const auto after = now();
    const std::int64_t stamped = static_cast<std::int64_t>(time.seconds) * 1000000 + time.microseconds;
    // The clocks may differ in resolution (Windows ticks in 100 ns or coarser).
    EXPECT_GE(stamped, before - 20000);
    EXPECT_LE(stamped, after + 20000);
}

TEST(ByteCounter, StopsAtItsMaximumInsteadOfWrappingPastTheCap) {
    util_test::TempDir dir;
    const std::string path = dir.file("counter.pcap"), frame(100, 'f');
    void* log = EthrOpenLog(path.c_str(), 0xFFFFFFFFul);
    ASSERT_NE(log, nullptr);
    auto* handle = static_cast<EthrLogHandle*>(log);
    EXPECT_EQ(handle->limit, 0xFFFFFFFFu);
    handle->written = 0xFFFFFFF0u;  // as after nearly 4 GiB of records
    EthrLogPacket(log, frame.data(), frame.size());  // crosses the cap: written whole
    EXPECT_EQ(handle->written, 0xFFFFFFFFu);         // not 0x64 after a wrap
    EthrLogPacket(log, frame.data(), frame.size());  // dropped
    EthrCloseLog(log);
    EXPECT_EQ(util_test::readFile(path).size(), 24u + 116);

    if (sizeof(unsigned long) > 4) {  // a cap the 32-bit counter can never reach is no cap at all
        void* uncapped = EthrOpenLog(path.c_str(), static_cast<unsigned long>(0xFFFFFFFFu) + 1);
        ASSERT_NE(uncapped, nullptr);
        EXPECT_EQ(static_cast<EthrLogHandle*>(uncapped)->limit, 0u);
        EthrCloseLog(uncapped);
    }
    void* reader = EthrReadLog(path.c_str());
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(static_cast<EthrLogHandle*>(reader)->limit, 0u);
    EXPECT_EQ(static_cast<EthrLogHandle*>(reader)->written, 0u);
    EthrCloseLog(reader);
}

TEST(PathField, LongPathsAreCutTo259Characters) {
    char field[util::pcap::kPathFieldSize];
    for (const std::string& path : {std::string(400, 'p'), std::string(259, 'q'), std::string("short")}) {
        util::pcap::copyPathField(field, path.c_str());
        EXPECT_EQ(std::string(field), path.substr(0, 259));
    }
}

}  // namespace
