#include "pcap/capture_format.h"

namespace util {
namespace pcap {

namespace {

void putLittle32(unsigned char* bytes, std::uint32_t value) {
    bytes[0] = static_cast<unsigned char>(value);
    bytes[1] = static_cast<unsigned char>(value >> 8);
    bytes[2] = static_cast<unsigned char>(value >> 16);
    bytes[3] = static_cast<unsigned char>(value >> 24);
}

void putLittle16(unsigned char* bytes, std::uint16_t value) {
    bytes[0] = static_cast<unsigned char>(value);
    bytes[1] = static_cast<unsigned char>(value >> 8);
}

std::uint32_t getLittle32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

RecordTime recordTimeFromFileTime(std::int64_t fileTime) {
    const std::int64_t microsecondsSinceEpoch = (fileTime - kFileTimeAtUnixEpoch) / 10;
    std::int64_t seconds = microsecondsSinceEpoch / 1000000;
    std::int64_t microseconds = microsecondsSinceEpoch % 1000000;
    if (microseconds < 0) {
        microseconds += 1000000;
        seconds -= 1;
    }
    return RecordTime{static_cast<std::uint32_t>(static_cast<std::uint64_t>(seconds)),
                      static_cast<std::uint32_t>(microseconds)};
}

void encodeFileHeader(unsigned char (&bytes)[kFileHeaderSize]) {
    putLittle32(bytes + 0, kMagic);
    putLittle16(bytes + 4, kMajorVersion);
    putLittle16(bytes + 6, kMinorVersion);
    putLittle32(bytes + 8, 0);   // time-zone offset: UTC
    putLittle32(bytes + 12, 0);  // timestamp accuracy
    putLittle32(bytes + 16, kSnapshotLength);
    putLittle32(bytes + 20, kLinkTypeEthernet);
}

bool fileHeaderAcceptable(const unsigned char* bytes, std::size_t count) {
    unsigned char expected[kFileHeaderSize];
    encodeFileHeader(expected);
    const std::size_t judged = count < 8 ? count : 8;  // magic and version
    for (std::size_t index = 0; index < judged; ++index) {
        if (bytes[index] != expected[index]) {
            return false;
        }
    }
    return true;
}

void encodeRecordHeader(const RecordHeader& header, unsigned char (&bytes)[kRecordHeaderSize]) {
    putLittle32(bytes + 0, header.time.seconds);
    putLittle32(bytes + 4, header.time.microseconds);
    putLittle32(bytes + 8, header.capturedLength);
    putLittle32(bytes + 12, header.packetLength);
}

RecordHeader decodeRecordHeader(const unsigned char (&bytes)[kRecordHeaderSize]) {
    return RecordHeader{RecordTime{getLittle32(bytes + 0), getLittle32(bytes + 4)}, getLittle32(bytes + 8),
                        getLittle32(bytes + 12)};
}

}  // namespace pcap
}  // namespace util
