// The log file while one record (or one rotation) is written: the formatted
// pieces gather in one buffer (on the stack, growing on the heap for a long
// record) and reach the file in one write when the stream closes, so a record
// costs one open, one size query, one write and one close, and a record written
// by another process never lands inside it.
#ifndef UTIL_LOG_LOG_STREAM_H
#define UTIL_LOG_LOG_STREAM_H

#include <cstdarg>
#include <cstddef>

namespace util {

class LogStream {
public:
    LogStream();
    /// Closes what is open, then opens path for appending (text mode on
    /// Windows) and reads its size. Returns isOpen().
    bool open(const char* path);
    /// Writes what is gathered and closes the file.
    ~LogStream();
    LogStream(const LogStream&) = delete;
    LogStream& operator=(const LogStream&) = delete;

    bool isOpen() const { return descriptor_ >= 0; }
    /// The file's size when it was opened; -1 when it could not be read.
    long long sizeAtOpen() const { return sizeAtOpen_; }

    /// Formats like fprintf and returns what fprintf would: the characters
    /// produced, or a negative value when the format fails. A piece that does
    /// not fit and finds no memory to grow into is written at once after what
    /// was gathered (two writes instead of one); when even that piece cannot be
    /// formatted for lack of memory it is dropped and counts 0.
    int print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    int printList(const char* format, std::va_list arguments);

    /// Writes what is gathered and closes the file now.
    void close();

private:
    void flush();
    bool reserve(std::size_t size);
    void releaseHeap();

    int descriptor_;
    long long sizeAtOpen_;
    char* data_;  // inline_ or a heap block
    std::size_t capacity_;
    std::size_t used_;
    char inline_[4096];
};

}  // namespace util

#endif
