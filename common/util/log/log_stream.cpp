#include "log/log_stream.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"

namespace util {

LogStream::LogStream() : descriptor_(-1), sizeAtOpen_(-1), data_(inline_), capacity_(sizeof inline_), used_(0) {}

bool LogStream::open(const char* path) {
    close();
    descriptor_ = platform::openForAppend(path);
    sizeAtOpen_ = descriptor_ >= 0 ? platform::openFileSize(descriptor_) : -1;
    return isOpen();
}

LogStream::~LogStream() {
    close();
    releaseHeap();
}

void LogStream::close() {
    if (descriptor_ >= 0) {
        flush();
        platform::closeFile(descriptor_);
        descriptor_ = -1;
    }
}

void LogStream::flush() {
    if (used_ > 0) {
        platform::writeToFile(descriptor_, data_, used_);  // write errors are ignored, as with stdio
        used_ = 0;
    }
}

void LogStream::releaseHeap() {
    if (data_ != inline_) {
        std::free(data_);
        data_ = inline_;
        capacity_ = sizeof inline_;
    }
}

// Makes room for size more bytes and a terminator; false when memory is short.
bool LogStream::reserve(std::size_t size) {
    if (size < capacity_ - used_) {
        return true;
    }
    if (size > static_cast<std::size_t>(-1) / 2 - used_) {
        return false;
    }
    std::size_t capacity = capacity_ * 2;
    if (capacity < used_ + size + 1) {
        capacity = used_ + size + 1;
    }
    char* grown = static_cast<char*>(std::malloc(capacity));
    if (grown == nullptr) {
        return false;
    }
    std::memcpy(grown, data_, used_);
    releaseHeap();
    data_ = grown;
    capacity_ = capacity;
    return true;
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
    const int count = std::vsnprintf(data_ + used_, capacity_ - used_, format, arguments);
    if (count < 0) {
        va_end(retry);
        return count;
    }
    const std::size_t length = static_cast<std::size_t>(count);
    if (length < capacity_ - used_) {
        used_ += length;
    } else if (reserve(length)) {
        std::vsnprintf(data_ + used_, capacity_ - used_, format, retry);
        used_ += length;
    } else {
        // No memory to keep the record whole: write what is gathered, then the
        // piece on its own, or drop the piece when it cannot be formatted at all.
        flush();
        char* piece = static_cast<char*>(std::malloc(length + 1));
        if (piece == nullptr) {
            va_end(retry);
            return 0;
        }
        std::vsnprintf(piece, length + 1, format, retry);
        platform::writeToFile(descriptor_, piece, length);
        std::free(piece);
    }
    va_end(retry);
    return count;
}

}  // namespace util
