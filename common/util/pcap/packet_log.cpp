// The packet log's five operations over a handle record with its own lock.
#include "pcap/packet_log.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "pcap/capture_clock.h"
#include "pcap/capture_format.h"
#include "pcap/pcap_platform.h"
#include "pcap/packet_log_handle.h"
#include "platform/lock.h"

using util::pcap::EthrLogHandle;

namespace {

constexpr std::uint32_t kCounterMaximum = 0xFFFFFFFFu;

// Allocates a handle record with its lock, the path's copy and zero counters.
EthrLogHandle* createHandle(const char* path, std::uint32_t limit) {
    auto* handle = new (std::nothrow) EthrLogHandle;
    if (handle == nullptr) {
        return nullptr;
    }
    handle->lock = util::platform::createCriticalSection();
    if (handle->lock == nullptr) {
        delete handle;
        return nullptr;
    }
    util::pcap::copyPathField(handle->path, path);
    handle->limit = limit;
    handle->written = 0;
    handle->stream = nullptr;
    handle->writing = false;
    util::pcap::trackHandleAcrossFork(handle);
    return handle;
}

// Gives a freshly opened stream the handle's own buffer, before any I/O on it.
void attachStream(EthrLogHandle* handle, std::FILE* stream) {
    std::setvbuf(stream, handle->streamBuffer, _IOFBF, sizeof handle->streamBuffer);
    handle->stream = stream;
}

void destroyHandle(EthrLogHandle* handle) {
    if (handle->stream != nullptr) {
        util::pcap::closeStream(handle->stream, handle->writing);
    }
    util::pcap::untrackHandleAcrossFork(handle);
    util::platform::deleteCriticalSection(handle->lock);
    delete handle;
}

std::uint32_t addSaturating(std::uint32_t counter, std::uint64_t amount) {
    const std::uint64_t sum = counter + amount;
    return sum > kCounterMaximum ? kCounterMaximum : static_cast<std::uint32_t>(sum);
}

// Consumes `count` bytes; false when the file ends first.
bool skipBytes(std::FILE* stream, std::uint32_t count) {
    unsigned char discard[4096];
    while (count > 0) {
        const std::size_t chunk = count < sizeof discard ? count : sizeof discard;
        if (util::pcap::readFromStream(stream, discard, chunk) != chunk) {
            return false;
        }
        count -= static_cast<std::uint32_t>(chunk);
    }
    return true;
}

}  // namespace

namespace util {
namespace pcap {

void copyPathField(char (&field)[kPathFieldSize], const char* path) {
    const std::size_t length = std::strlen(path);
    const std::size_t copied = length < kPathFieldSize - 1 ? length : kPathFieldSize - 1;
    std::memcpy(field, path, copied);
    field[copied] = '\0';
}

}  // namespace pcap
}  // namespace util

void* EthrOpenLog(const char* path, unsigned long cap) {
    if (path == nullptr) {
        return nullptr;
    }
    // A cap beyond the 32-bit counter could never be reached: it means no cap.
    const std::uint32_t limit = cap > kCounterMaximum ? 0 : static_cast<std::uint32_t>(cap);
    EthrLogHandle* handle = createHandle(path, limit);
    if (handle == nullptr) {
        return nullptr;
    }
    std::FILE* stream = util::pcap::openStreamForWriting(path);
    if (stream == nullptr) {
        destroyHandle(handle);
        return nullptr;
    }
    attachStream(handle, stream);
    handle->writing = true;
    unsigned char header[util::pcap::kFileHeaderSize];
    util::pcap::encodeFileHeader(header);
    util::pcap::writeToStream(handle->stream, header, sizeof header);
    util::pcap::flushStreamToDisk(handle->stream);
    return handle;
}

void EthrLogPacket(void* opaque, const void* data, unsigned long length) {
    if (opaque == nullptr || data == nullptr) {
        return;
    }
    auto* handle = static_cast<EthrLogHandle*>(opaque);
    if (!handle->writing || static_cast<std::uint64_t>(length) > kCounterMaximum) {
        return;
    }
    const auto frameLength = static_cast<std::uint32_t>(length);
    const std::uint32_t storedLength =
        frameLength < util::pcap::kLargestStoredFrame ? frameLength : util::pcap::kLargestStoredFrame;
    util::pcap::RecordHeader record{util::pcap::recordTimeFromFileTime(util::pcap::captureFileTimeNow()), storedLength,
                                    frameLength};
    unsigned char header[util::pcap::kRecordHeaderSize];
    util::pcap::encodeRecordHeader(record, header);

    util::platform::ScopedCriticalSection hold(handle->lock);
    if (handle->limit != 0 && handle->written >= handle->limit) {
        return;
    }
    util::pcap::writeToStream(handle->stream, header, sizeof header);
    handle->written = addSaturating(handle->written, sizeof header);
    util::pcap::writeToStream(handle->stream, data, storedLength);
    handle->written = addSaturating(handle->written, storedLength);
}

void EthrCloseLog(void* opaque) {
    if (opaque == nullptr) {
        return;
    }
    destroyHandle(static_cast<EthrLogHandle*>(opaque));
}

void* EthrReadLog(const char* path) {
    if (path == nullptr) {
        return nullptr;
    }
    EthrLogHandle* handle = createHandle(path, 0);
    if (handle == nullptr) {
        return nullptr;
    }
    std::FILE* stream = util::pcap::openStreamForReading(path);
    if (stream == nullptr) {
        destroyHandle(handle);
        return nullptr;
    }
    attachStream(handle, stream);
    unsigned char header[util::pcap::kFileHeaderSize];
    const std::size_t present = util::pcap::readFromStream(handle->stream, header, sizeof header);
    // A short header is accepted only when the file ended there, never when the
    // read failed (a directory, an unreadable stream).
    if (std::ferror(handle->stream) != 0 || !util::pcap::fileHeaderAcceptable(header, present)) {
        destroyHandle(handle);
        return nullptr;
    }
    return handle;
}

int EthrReadPacketEx(void* opaque, void* buffer, unsigned long* length, unsigned long* seconds,
                     unsigned long* microseconds) {
    if (opaque == nullptr || buffer == nullptr || length == nullptr || seconds == nullptr || microseconds == nullptr) {
        return 0;
    }
    auto* handle = static_cast<EthrLogHandle*>(opaque);
    const unsigned long capacity = *length;
    *length = 0;
    if (handle->writing) {
        return 0;
    }
    util::platform::ScopedCriticalSection hold(handle->lock);
    unsigned char bytes[util::pcap::kRecordHeaderSize];
    if (util::pcap::readFromStream(handle->stream, bytes, sizeof bytes) != sizeof bytes) {
        return 0;  // the end, or a record header cut short
    }
    const util::pcap::RecordHeader record = util::pcap::decodeRecordHeader(bytes);
    const std::uint32_t size = record.capturedLength;
    if (capacity < size) {
        if (!skipBytes(handle->stream, size)) {
            return 0;  // the skipped record was cut short: that is the end
        }
        *length = size;
        *seconds = record.time.seconds;
        *microseconds = record.time.microseconds;
        return -1;
    }
    if (util::pcap::readFromStream(handle->stream, buffer, size) != size) {
        return 0;  // data cut short: the bytes that are missing are never reported
    }
    *length = size;
    *seconds = record.time.seconds;
    *microseconds = record.time.microseconds;
    return 1;
}

int EthrReadPacket(void* handle, void* buffer, unsigned long* length) {
    if (handle == nullptr || buffer == nullptr || length == nullptr) {
        return 0;
    }
    unsigned long seconds = 0;
    unsigned long microseconds = 0;
    if (EthrReadPacketEx(handle, buffer, length, &seconds, &microseconds) != 1) {
        *length = 0;
    }
    return *length > 0 ? 1 : 0;
}
