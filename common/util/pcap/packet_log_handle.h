// The record behind a packet-log handle. Internal: callers see an untyped pointer.
#ifndef UTIL_PCAP_PACKET_LOG_HANDLE_H
#define UTIL_PCAP_PACKET_LOG_HANDLE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/lock.h"

namespace util {
namespace pcap {

constexpr std::size_t kPathFieldSize = 260;
/// The stream buffer: the platforms' default (often 4 KiB) costs one system call
/// per 4 KiB, which caps the writer and the reader well below a saturated link.
constexpr std::size_t kStreamBufferSize = 64 * 1024;

/// One heap record per open log. `lock` guards `written` and the stream's position
/// for the duration of one record; `writing` is fixed at open.
struct EthrLogHandle {
    char path[kPathFieldSize];  // the opened path, cut to 259 characters; not read back
    platform::Lock* lock;       // platform::createCriticalSection
    std::uint32_t limit;        // the writer's cap in record bytes, 0: none; 0 when reading
    std::uint32_t written;      // record bytes written, saturating; 0 when reading
    std::FILE* stream;
    bool writing;
    char streamBuffer[kStreamBufferSize];  // handed to setvbuf; outlives the stream
};

/// Copies `path` into the field, cut to 259 characters and always terminated.
void copyPathField(char (&field)[kPathFieldSize], const char* path);

}  // namespace pcap
}  // namespace util

#endif
