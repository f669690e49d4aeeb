#include "log/log_stream.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "platform/files.h"

namespace util {

LogStream::LogStream() : descriptor_(-1), sizeAtOpen_(-1), used_(0) {}

bool LogStream::open(const char* path) {
    close();
    descriptor_ = platform::openForAppend(path);
    sizeAtOpen_ = descriptor_ >= 0 ? platform::openFileSize(descriptor_) : -1;
    return isOpen();
}

LogStream::~LogStream() { close(); }

void LogStream::close() {
    if (descriptor_ >= 0) {
        flush();
        platform::closeFile(descriptor_);
        descriptor_ = -1;
    }
}

void LogStream::flush() {
    if (used_ > 0) {
        platform::writeToFile(descriptor_, buffer_, used_);  // write errors are ignored, as with stdio
        used_ = 0;
    }
}

void LogStream::append(const char* text, std::size_t size) {
    if (size > sizeof buffer_ - used_) {
        flush();
    }
    if (size > sizeof buffer_) {
        platform::writeToFile(descriptor_, text, size);
        return;
    }
    std::memcpy(buffer_ + used_, text, size);
    used_ += size;
}

int LogStream::print(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    const int count = printList(format, arguments);
    va_end(arguments);
    return count;
}

int LogStream::printList(const char* format, std::va_list arguments) {
    if (descriptor_ < 0) {
        return -1;
    }
    std::va_list retry;
    va_copy(retry, arguments);
    const std::size_t room = sizeof buffer_ - used_;
    const int count = std::vsnprintf(buffer_ + used_, room, format, arguments);
    if (count < 0) {
        va_end(retry);
        return count;
    }
    const std::size_t length = static_cast<std::size_t>(count);
    if (length < room) {
        used_ += length;
    } else if (length < sizeof buffer_) {
        flush();
        std::vsnprintf(buffer_, sizeof buffer_, format, retry);
        used_ = length;
    } else {
        // Larger than the whole buffer: format on the heap, or drop the piece
        // (and count nothing) when memory is short.
        std::unique_ptr<char[]> large(new (std::nothrow) char[length + 1]);
        if (!large) {
            va_end(retry);
            return 0;
        }
        std::vsnprintf(large.get(), length + 1, format, retry);
        append(large.get(), length);
    }
    va_end(retry);
    return count;
}

}  // namespace util
