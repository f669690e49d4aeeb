#include "pcap/capture_clock.h"

#include <atomic>

#include "pcap/pcap_platform.h"

namespace util {
namespace pcap {

namespace {

std::atomic<FileTimeSource> installedSource{nullptr};

}  // namespace

std::int64_t captureFileTimeNow() {
    const FileTimeSource source = installedSource.load(std::memory_order_acquire);
    return source != nullptr ? source() : systemFileTime();
}

FileTimeSource setFileTimeSourceForTesting(FileTimeSource source) {
    return installedSource.exchange(source, std::memory_order_acq_rel);
}

}  // namespace pcap
}  // namespace util
