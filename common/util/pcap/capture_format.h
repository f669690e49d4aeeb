// The byte layout of pcap capture files and the time arithmetic of their record
// headers. Pure functions, no I/O: the log and the tests share them.
#ifndef UTIL_PCAP_CAPTURE_FORMAT_H
#define UTIL_PCAP_CAPTURE_FORMAT_H

#include <cstddef>
#include <cstdint>

namespace util {
namespace pcap {

constexpr std::size_t kFileHeaderSize = 24;
constexpr std::size_t kRecordHeaderSize = 16;
constexpr std::uint32_t kMagic = 0xA1B2C3D4u;
constexpr std::uint16_t kMajorVersion = 2;
constexpr std::uint16_t kMinorVersion = 4;
constexpr std::uint32_t kSnapshotLength = 65535;
constexpr std::uint32_t kLinkTypeEthernet = 1;
/// The longest frame a record stores whole: capture tools refuse a record whose
/// captured length is larger. A longer frame is stored as its first this many
/// bytes, with its true length in the record's packet (original) length.
constexpr std::uint32_t kLargestStoredFrame = 262144;
/// 100-ns intervals from 1601-01-01 to 1970-01-01 (UTC).
constexpr std::int64_t kFileTimeAtUnixEpoch = 116444736000000000LL;

/// The time of a record: seconds since 1970 (low 32 bits) and microseconds.
struct RecordTime {
    std::uint32_t seconds;
    std::uint32_t microseconds;
};

struct RecordHeader {
    RecordTime time;
    std::uint32_t capturedLength;
    std::uint32_t packetLength;
};

/// Reduces a count of 100-ns intervals since 1601 to whole microseconds since
/// 1970 (truncating) and splits it into seconds and microseconds, rounding down
/// so that the microseconds stay within 0..999,999 for times before 1970 too.
RecordTime recordTimeFromFileTime(std::int64_t fileTime);

/// The 24 bytes that every log starts with.
void encodeFileHeader(unsigned char (&bytes)[kFileHeaderSize]);

/// True when the first `count` bytes of a file header (count up to 24) agree with
/// the magic number and the version 2.4 wherever they cover them. The other
/// fields are not judged.
bool fileHeaderAcceptable(const unsigned char* bytes, std::size_t count);

void encodeRecordHeader(const RecordHeader& header, unsigned char (&bytes)[kRecordHeaderSize]);
RecordHeader decodeRecordHeader(const unsigned char (&bytes)[kRecordHeaderSize]);

}  // namespace pcap
}  // namespace util

#endif
